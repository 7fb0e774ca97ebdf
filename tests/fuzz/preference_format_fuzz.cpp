// Feeds arbitrary bytes to the preference reader. Besides the sanitizers'
// findings it checks that whatever the reader accepts survives a round trip
// through the writer unchanged.
#include "settings/preference_format.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Expect(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "round trip changed %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PreferenceSettings settings = {};
    if (ParsePreferences(data, size, settings) != PREFERENCES_READ)
        return 0;

    char red[16], green[16], blue[16], delay[16];
    std::snprintf(red, sizeof red, "%d", settings.red);
    std::snprintf(green, sizeof green, "%d", settings.green);
    std::snprintf(blue, sizeof blue, "%d", settings.blue);
    std::snprintf(delay, sizeof delay, "%d", settings.hotCornerDelay);
    const PreferenceText text = {red, green, blue, settings.picturePath,
                                 static_cast<char>('0' + settings.stretchPicture),
                                 static_cast<char>('0' + settings.hotCorner), delay,
                                 settings.captureFolder, size % 2 == 0};
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::size_t written = FormatPreferences(text, bytes, sizeof bytes);
    Expect(written != 0, "the size: nothing written");

    PreferenceSettings again = {};
    Expect(ParsePreferences(bytes, written, again) == PREFERENCES_READ, "the status");
    Expect(again.red == settings.red && again.green == settings.green &&
               again.blue == settings.blue, "a colour");
    Expect(std::strcmp(again.picturePath, settings.picturePath) == 0, "the picture path");
    Expect(again.stretchPicture == settings.stretchPicture, "the stretch flag");
    Expect(again.hotCorner == settings.hotCorner, "the hot corner");
    Expect(again.hotCornerDelay == settings.hotCornerDelay, "the delay");
    Expect(std::strcmp(again.captureFolder, settings.captureFolder) == 0, "the capture folder");
    return 0;
}
