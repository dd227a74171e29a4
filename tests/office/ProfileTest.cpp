// The profile folder, this program's folders and the pipe name derived from them.

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "ScopedVariable.h"
#include "automation/libreoffice/Profile.h"

namespace vorrindel::automation::libreoffice {
namespace {

TEST(Profile, PrivateProfileUrlHasNoTrailingSlash) {
    EXPECT_EQ(profileUrlFor("/tmp/p/"), "file:///tmp/p");
    EXPECT_EQ(profileUrlFor("/tmp/my profile"), "file:///tmp/my%20profile");
}

TEST(Profile, PipeNameIsPrivateToTheProfileFolderAndTheDisplay) {
    const std::string name = sessionPipeName("/home/a/.config/libreoffice/4", ":0");
    EXPECT_EQ(name, sessionPipeName("/home/a/.config/libreoffice/4", ":0"));
    EXPECT_NE(name, sessionPipeName("/home/b/.config/libreoffice/4", ":0"));
    EXPECT_NE(name, sessionPipeName("/home/a/.config/libreoffice/4", ":1"));
    EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos) << name;
    EXPECT_LT(name.size(), 40u);
}

TEST(Profile, UsersOwnProfileFollowsTheHomeFolder) {
    ScopedVariable config("XDG_CONFIG_HOME", nullptr);
    ScopedVariable home("HOME", "/home/first");
    const std::string first = sessionPipeName("", ":0");
    EXPECT_EQ(profileFolder(""), "/home/first/.config/libreoffice/4");
    setenv("HOME", "/home/second", 1);
    EXPECT_NE(sessionPipeName("", ":0"), first);
}

TEST(ProgramFolders, GivenFolderThenAnAbsoluteXdgFolderThenTheHomeFolder) {
    struct Row {
        const char* given;
        const char* xdg;
        const char* expected;
    } rows[] = {
        {"/tmp/mine", "/xdg/cache", "/tmp/mine"},
        {"", "/xdg/cache", "/xdg/cache/vorrindel"},
        {"", nullptr, "/home/u/.cache/vorrindel"},
        {"", "", "/home/u/.cache/vorrindel"},
        {"", "relative/cache", "/home/u/.cache/vorrindel"},
    };
    ScopedVariable home("HOME", "/home/u");
    for (const Row& row : rows) {
        ScopedVariable xdg("XDG_CACHE_HOME", row.xdg);
        EXPECT_EQ(programFolder(row.given, "XDG_CACHE_HOME", ".cache"), row.expected)
            << "given \"" << row.given << "\", XDG_CACHE_HOME " << (row.xdg ? row.xdg : "unset");
    }
}

// A relative XDG_CONFIG_HOME counts as unset, as for this program's own folders.
TEST(Profile, UsersOwnProfileFollowsXdgConfigHomeOnlyWhenAbsolute) {
    struct Row {
        const char* xdg;  // nullptr: unset
        const char* expected;
    } rows[] = {
        {"/cfg", "/cfg/libreoffice/4"},
        {"cfg", "/home/u/.config/libreoffice/4"},
        {"./cfg", "/home/u/.config/libreoffice/4"},
        {"", "/home/u/.config/libreoffice/4"},
        {nullptr, "/home/u/.config/libreoffice/4"},
    };
    ScopedVariable home("HOME", "/home/u");
    for (const Row& row : rows) {
        ScopedVariable xdg("XDG_CONFIG_HOME", row.xdg);
        EXPECT_EQ(profileFolder(""), row.expected) << "XDG_CONFIG_HOME " << (row.xdg ? row.xdg : "unset");
        EXPECT_EQ(profileFolder("/tmp/private"), "/tmp/private");
    }
}

TEST(Profile, PipeNameKeepsItsValueAcrossVersions) {
    // Offices started by an earlier version keep being found: the name is the same hash as then.
    ScopedVariable xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(sessionPipeName("/tmp/p", ":0|"), "vorrindel_" + std::to_string(getuid()) + "_f54483297569");
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
