#include "platform/sound_path.h"

#include <gtest/gtest.h>

namespace orbelle {
namespace {

TEST(SoundPath, BareNamesLieInTheSoundsFolderAndTextsWithABackslashArePaths) {
    struct Case {
        const char* folder;
        const char* text;
        const char* file;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Orbelle", "Chimes.wav", "C:\\Program Files\\Orbelle\\sounds\\Chimes.wav"},
        {"C:\\Program Files\\Orbelle\\", "Chimes.wav", "C:\\Program Files\\Orbelle\\sounds\\Chimes.wav"},
        {"C:\\Orbelle", "  Chimes.wav \t", "C:\\Orbelle\\sounds\\Chimes.wav"},
        {"C:\\Orbelle", " D:\\Media\\gong.wav ", "D:\\Media\\gong.wav"},
        {"C:\\Orbelle", "\xC3\xA9t\xC3\xA9.wav", "C:\\Orbelle\\sounds\\\xC3\xA9t\xC3\xA9.wav"},
        // Joined as text: a name that looks like a path of another computer
        // stays inside the sounds folder.
        {"C:\\Orbelle", "//host/share/x.wav", "C:\\Orbelle\\sounds\\//host/share/x.wav"},
        {"C:\\Orbelle", "D:/Media/gong.wav", "C:\\Orbelle\\sounds\\D:/Media/gong.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(SoundFileText(c.folder, c.text), c.file);
    }
}

TEST(SoundPath, OnlyOrdinaryLocalFilesArePlayed) {
    struct Case {
        const char* text;
        const char* refusal;  // nullptr: played
    };
    const Case cases[] = {
        {"Alarm.wav", nullptr},
        {"C:\\Media\\gong.wav", nullptr},
        {"\\Media\\gong.wav", nullptr},
        {"..\\gong.wav", nullptr},
        {"C:\\Media\\Console.wav", nullptr},
        {"C:\\Media\\COM10.wav", nullptr},
        {"C:\\Media\\connect\\nully.wav", nullptr},
        {"", nullptr},
        {"\\\\host\\share\\x.wav", "'\\\\host\\share\\x.wav' lies on another computer: only sound files on this "
                                   "computer are played."},
        {"  //host/share/x.wav", "'//host/share/x.wav' lies on another computer: only sound files on this computer "
                                 "are played."},
        {"\\/host\\share\\x.wav", "'\\/host\\share\\x.wav' lies on another computer: only sound files on this "
                                  "computer are played."},
        {"\\\\?\\UNC\\host\\share\\x.wav", "'\\\\?\\UNC\\host\\share\\x.wav' is a device path: only sound files on "
                                           "this computer are played."},
        {"\\\\?\\C:\\Media\\x.wav", "'\\\\?\\C:\\Media\\x.wav' is a device path: only sound files on this computer "
                                    "are played."},
        {"\\\\.\\pipe\\x", "'\\\\.\\pipe\\x' is a device path: only sound files on this computer are played."},
        {"\\??\\UNC\\host\\x.wav", "'\\??\\UNC\\host\\x.wav' is a device path: only sound files on this computer "
                                   "are played."},
        {"CON", "'CON' names a device, not a sound file."},
        {"nul.wav", "'nul.wav' names a device, not a sound file."},
        {"C:\\Media\\aux .wav", "'C:\\Media\\aux .wav' names a device, not a sound file."},
        {"C:\\Media\\com1.wav", "'C:\\Media\\com1.wav' names a device, not a sound file."},
        {"C:\\Media\\LPT9", "'C:\\Media\\LPT9' names a device, not a sound file."},
        {"C:\\Media\\COM\xC2\xB9.wav", "'C:\\Media\\COM\xC2\xB9.wav' names a device, not a sound file."},
        {"C:\\Media\\conout$", "'C:\\Media\\conout$' names a device, not a sound file."},
        {"C:\\prn\\x.wav", "'C:\\prn\\x.wav' names a device, not a sound file."},
        {"C:\\Media\\nul:stream", "'C:\\Media\\nul:stream' names a device, not a sound file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto refusal = SoundPathRefusal(c.text);
        if (!c.refusal)
            EXPECT_FALSE(refusal) << *refusal;
        else
            EXPECT_EQ(refusal.value_or("(played)"), c.refusal);
    }
}

}  // namespace
}  // namespace orbelle
