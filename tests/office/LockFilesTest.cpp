// Lock files, as the office writes them.

#include <gtest/gtest.h>

#include "automation/libreoffice/LockFiles.h"

namespace vorrindel::automation::libreoffice {
namespace {

TEST(LockFile, SitsBesideTheDocument) {
    EXPECT_EQ(lockFilePathFor("/data/q3.xls"), "/data/.~lock.q3.xls#");
    EXPECT_EQ(lockFilePathFor("/data/my book.doc"), "/data/.~lock.my book.doc#");
}

TEST(LockFile, FieldsAreReadWithTheirEscapes) {
    auto owner = parseLockFile("Smith\\, Ann,ann,host1,07.12.2026 10:00,file:///home/ann/.config/libreoffice/4;");
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->user, "Smith, Ann");
    EXPECT_EQ(owner->sysUser, "ann");
    EXPECT_EQ(owner->host, "host1");
    EXPECT_EQ(owner->time, "07.12.2026 10:00");
    EXPECT_EQ(owner->profileUrl, "file:///home/ann/.config/libreoffice/4");
    EXPECT_EQ(describeLockOwner(*owner), "Smith, Ann on host1 since 07.12.2026 10:00");
}

TEST(LockFile, TruncatedOrShortContentIsNoLock) {
    EXPECT_FALSE(parseLockFile(""));
    EXPECT_FALSE(parseLockFile("a,b,c,d,e"));  // cut off before the terminator
    EXPECT_FALSE(parseLockFile("a,b,c;"));
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice
