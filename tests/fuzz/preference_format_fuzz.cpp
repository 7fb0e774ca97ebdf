// Feeds arbitrary bytes to the preference reader: besides the sanitizers'
// findings, whatever it accepts must survive a round trip through the writer.
#include "settings/preference_format.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One field a line: no text field can hold a line feed.
std::string Fields(const PreferenceSettings& s)
{
    return std::to_string(s.red) + "\n" + std::to_string(s.green) + "\n" +
           std::to_string(s.blue) + "\n" + s.picturePath + "\n" +
           std::to_string(s.stretchPicture) + "\n" + std::to_string(s.hotCorner) + "\n" +
           std::to_string(s.hotCornerDelay) + "\n" + s.captureFolder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PreferenceSettings settings = {};
    if (ParsePreferences(data, size, settings) != PREFERENCES_READ)
        return 0;
    const std::string red = std::to_string(settings.red), green = std::to_string(settings.green),
                      blue = std::to_string(settings.blue),
                      delay = std::to_string(settings.hotCornerDelay);
    const PreferenceText text = {red.c_str(), green.c_str(), blue.c_str(), settings.picturePath,
                                 static_cast<char>('0' + settings.stretchPicture),
                                 static_cast<char>('0' + settings.hotCorner), delay.c_str(),
                                 settings.captureFolder, size % 2 == 0};
    unsigned char bytes[PREFERENCE_FILE_CAPACITY];
    const std::size_t written = FormatPreferences(text, bytes, sizeof bytes);
    PreferenceSettings again = {};
    if (written == 0 || ParsePreferences(bytes, written, again) != PREFERENCES_READ ||
        Fields(again) != Fields(settings)) {
        std::fprintf(stderr, "round trip of\n%s\nwrote %zu bytes that read as\n%s\n",
                     Fields(settings).c_str(), written, Fields(again).c_str());
        std::abort();
    }
    return 0;
}
