// What becomes of a written temporary file when putting it in place of the
// old preference file failed. A decision on error codes alone, so that it is
// tested without the platform.
#pragma once

// The platform's codes for a replace that went halfway (no backup name
// given): the old file is gone (1176), or under a name of the platform's own
// (1177); either way the temporary file holds the only copy of the settings.
constexpr unsigned long REPLACE_ERROR_OLD_FILE_GONE = 1176;   // ERROR_UNABLE_TO_MOVE_REPLACEMENT
constexpr unsigned long REPLACE_ERROR_OLD_FILE_MOVED = 1177;  // ..._REPLACEMENT_2

enum TemporaryFileStep {
    DISCARD_TEMPORARY_FILE,          // the old file stands whole: the save failed
    MOVE_TEMPORARY_FILE_INTO_PLACE,  // it is the only copy left
};

// `error` is what the replace reported, `oldFileExists` whether the old
// file's name is still taken afterwards.
TemporaryFileStep StepAfterFailedReplace(unsigned long error, bool oldFileExists);
