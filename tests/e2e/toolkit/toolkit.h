// Everything a test of the end-to-end driver reaches for.
#pragma once

#include <gtest/gtest.h>

#include "bitmap_file.h"
#include "driver.h"
#include "file_dialogs.h"
#include "fixture.h"
