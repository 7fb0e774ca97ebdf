// The whole toolkit of a program that drives Dusklid from outside, the
// benchmarks included; tests take toolkit.h, which adds GoogleTest.
#pragma once

#include "core/identifiers.h"
#include "cover.h"
#include "dialogs.h"
#include "files.h"
#include "pixels.h"
#include "process.h"
#include "process_counts.h"
#include "text.h"
#include "tray.h"
#include "x_bridge.h"
