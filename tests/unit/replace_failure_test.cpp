#include "settings/replace_failure.h"

#include <gtest/gtest.h>

TEST(ReplaceFailure, TemporaryFileIsDiscardedOnlyWhileTheOldFileStands)
{
    const struct { unsigned long error; bool oldFileExists; TemporaryFileStep step; } rows[] = {
        {1176, false, MOVE_TEMPORARY_FILE_INTO_PLACE},  // old file deleted, new one not renamed
        {1176, true, MOVE_TEMPORARY_FILE_INTO_PLACE},
        {1177, false, MOVE_TEMPORARY_FILE_INTO_PLACE},  // old file under the platform's own name
        {1175, true, DISCARD_TEMPORARY_FILE},           // old file could not be removed
        {5, true, DISCARD_TEMPORARY_FILE},              // access denied
        {32, true, DISCARD_TEMPORARY_FILE},             // sharing violation
        {32, false, MOVE_TEMPORARY_FILE_INTO_PLACE},    // old file gone all the same
    };
    for (const auto& row : rows)
        EXPECT_EQ(StepAfterFailedReplace(row.error, row.oldFileExists), row.step)
            << row.error << (row.oldFileExists ? " with" : " without") << " the old file";
}
