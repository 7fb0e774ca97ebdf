#include "replace_failure.h"

TemporaryFileStep StepAfterFailedReplace(unsigned long error, bool oldFileExists)
{
    if (error == REPLACE_ERROR_OLD_FILE_GONE || error == REPLACE_ERROR_OLD_FILE_MOVED)
        return MOVE_TEMPORARY_FILE_INTO_PLACE;
    // Any other failure should leave the old file alone; should it be gone
    // all the same, the temporary file is all there is.
    return oldFileExists ? DISCARD_TEMPORARY_FILE : MOVE_TEMPORARY_FILE_INTO_PLACE;
}
