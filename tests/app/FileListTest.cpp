// A click, or a move with the keyboard, on a file is one open request; nothing else is.

#include <QTest>

#include "PickerFixture.h"
#include "app/controls/FileListBox.h"
#include "app/controls/TypeComboBox.h"

using namespace vorrindel::app;
using namespace vorrindel::app::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class FileListTest : public PickerFixture {
protected:
    Form1& openExcelWithFiles() {
        for (const char* n : {"a.xls", "b.xls", "c.xls"}) make(std::string("a/start/") + n);
        writeIni("[Type]\nType=Excel\n");
        Form1& f = open();
        f.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        f.File1->waitUntilListed();
        return f;
    }
    void clickRow(Form1& f, int row) {
        f.File1->waitUntilListed();
        const QRect r = f.File1->visualRect(f.File1->model()->index(row, 0));
        QTest::mouseClick(f.File1->viewport(), Qt::LeftButton, {}, r.center());
    }
    size_t requests() const { return office_.created.size(); }
};

TEST_F(FileListTest, EachMouseClickIsOneRequestEvenOnTheSelectedFile) {
    Form1& f = openExcelWithFiles();
    clickRow(f, 1);
    EXPECT_EQ(f.File1->fileName(), "b.xls");
    EXPECT_EQ(requests(), 1u);
    clickRow(f, 1);
    EXPECT_EQ(requests(), 2u);
    EXPECT_THAT(office_.created, ElementsAre("excel.application", "excel.application"));
}

TEST_F(FileListTest, FirstDownSelectsTheFirstFileAndEachMoveIsOneRequest) {
    Form1& f = openExcelWithFiles();
    f.File1->setFocus();
    EXPECT_EQ(requests(), 0u);  // taking the focus opens nothing
    QTest::keyClick(f.File1, Qt::Key_Down);
    EXPECT_EQ(f.File1->fileName(), "a.xls");
    QTest::keyClick(f.File1, Qt::Key_Down);
    EXPECT_EQ(f.File1->fileName(), "b.xls");
    QTest::keyClick(f.File1, Qt::Key_Down);
    QTest::keyClick(f.File1, Qt::Key_Down);  // already on the last file: no move, no request
    EXPECT_EQ(f.File1->fileName(), "c.xls");
    EXPECT_EQ(requests(), 3u);
}

TEST_F(FileListTest, RelistingNeverRaisesAClickAndClearsTheSelection) {
    Form1& f = openExcelWithFiles();
    clickRow(f, 0);
    ASSERT_EQ(requests(), 1u);
    f.File1->refresh();
    f.File1->setPattern("*.xls");
    f.File1->setPath(path("b"));
    EXPECT_EQ(requests(), 1u);
    EXPECT_EQ(f.File1->fileName(), "");
}

TEST_F(FileListTest, FailedRequestIsReportedOnTheNoticeLineAndTheNextClickStillWorks) {
    Form1& f = openExcelWithFiles();
    clickRow(f, 0);
    EXPECT_THAT(f.notice(), HasSubstr("Excel"));
    clickRow(f, 2);
    EXPECT_EQ(requests(), 2u);
    EXPECT_TRUE(f.isVisible());
}

TEST_F(FileListTest, WithNoTypeSelectedAClickOpensNothing) {
    make("a/start/a.xls");
    Form1& f = open();
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    clickRow(f, 0);
    EXPECT_EQ(f.File1->fileName(), "a.xls");
    EXPECT_EQ(requests(), 0u);
    EXPECT_TRUE(f.notice().empty());
}
