// The settings file: values of every type come back as written, features
// writing their own groups never drop each other's keys, and a missing or
// damaged file gives the callers' defaults.
#include "ui/settings.h"
#include "tests/gui/gui_test_util.h"
#include "tests/unit/test_db.h"

#include <cstdio>
#include <gtest/gtest.h>

TEST(Settings, KeysOfEveryGroupSurviveEachOthersWrites)
{
    PrivateConfigHome home;
    EXPECT_EQ(settings_path(), home.path + "/tembrel/settings.ini");
    EXPECT_FALSE(settings_get_bool("import", "trim", false));
    EXPECT_EQ(settings_get_string("import", "quality", "standard"), "standard");
    EXPECT_EQ(settings_get_int("editor", "autosave-seconds", 60), 60);

    ASSERT_TRUE(settings_set_bool("import", "trim", true));
    ASSERT_TRUE(settings_set_int("editor", "autosave-seconds", 5));
    ASSERT_TRUE(settings_set_string("import", "quality", "best"));
    EXPECT_TRUE(settings_get_bool("import", "trim", false));
    EXPECT_EQ(settings_get_int("editor", "autosave-seconds", 60), 5);
    EXPECT_EQ(settings_get_string("import", "quality", "standard"), "best");

    // A value of the wrong type, and a file that is no key file at all.
    ASSERT_TRUE(settings_set_string("import", "level", "maybe"));
    EXPECT_TRUE(settings_get_bool("import", "level", true));
    ASSERT_TRUE(write_bytes(settings_path(), {'[', 'x', 0xFF, '\n', '=', '=', '\n'}));
    EXPECT_FALSE(settings_get_bool("import", "trim", false));
    EXPECT_EQ(settings_get_int("editor", "autosave-seconds", 60), 60);
    // Writing over it starts a fresh file.
    ASSERT_TRUE(settings_set_bool("import", "trim", true));
    EXPECT_TRUE(settings_get_bool("import", "trim", false));
}
