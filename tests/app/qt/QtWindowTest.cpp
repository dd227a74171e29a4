// The Qt widgets show what the logic decides and hand the user's input to it.

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MemoryOffice.h"
#include "app/qt/QtWindow.h"
#include "app/qt/Views.h"
#include "common/Files.h"
#include "listing/Listing.h"

namespace vorrindel::app::qt {
namespace {

using ::testing::HasSubstr;

class QtWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorrindel-qt-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        for (const char* f : {"a.xls", "b.xls", "c.xls"}) std::ofstream(root_ / f) << "x";
        std::filesystem::create_directories(root_ / "config");
        std::ofstream(root_ / "config" / "comp.ini") << "[Type]\nType=Excel\n[Dir]\nDir=" << root_.string() << "\n";
        window_ = std::make_unique<QtWindow>(settings::SettingsFile(root_ / "config" / "comp.ini"),
                                             listing::DriveTable::of({{"/", "root"}, {root_.string(), "temp"}}, "/"),
                                             [this] { return std::make_unique<automation::ForwardingOffice>(office_); });
        window_->form().File1.waitUntilListed();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void TearDown() override {
        window_.reset();
        std::filesystem::remove_all(root_);
    }
    void clickRow(int row) {
        const QRect r = window_->File1->visualRect(window_->File1->model()->index(row, 0));
        QTest::mouseClick(window_->File1->viewport(), Qt::LeftButton, {}, r.center());
    }
    int requests() {
        window_->form().waitForRequests();
        QCoreApplication::processEvents();
        int n = 0;
        for (const auto& line : office_.log()) n += line.find(".Open method") != std::string::npos;
        return n;
    }

    std::filesystem::path root_;
    vorrindel::testing::MemoryOffice office_;
    std::unique_ptr<QtWindow> window_;
};

TEST_F(QtWindowTest, CaptionSizeControlsAndTabOrder) {
    QtWindow& w = *window_;
    EXPECT_EQ(w.windowTitle(), "Vorrindel ");
    EXPECT_EQ(w.size(), QSize(264, 287));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.Combo1->geometry(), QRect(8, 8, 249, 21));
    EXPECT_EQ(w.Drive1->geometry(), QRect(8, 40, 249, 21));
    EXPECT_EQ(w.Dir1->geometry(), QRect(8, 72, 249, 81));
    EXPECT_EQ(w.File1->geometry(), QRect(8, 168, 249, 58));
    EXPECT_EQ(w.Check1->geometry(), QRect(8, 240, 217, 17));
    EXPECT_EQ(w.Label1->geometry(), QRect(8, 264, 241, 25));
    EXPECT_EQ(w.Check1->text(), "Do not close previous file");
    EXPECT_FALSE(w.Combo1->isEditable());
    EXPECT_EQ(w.Combo1->currentText(), "Excel");

    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w) || QApplication::focusWidget());
    EXPECT_EQ(QApplication::focusWidget(), w.Drive1);
    for (QWidget* next : std::initializer_list<QWidget*>{w.Dir1, w.File1, w.Check1, w.Combo1, w.Drive1}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
    EXPECT_EQ(requests(), 0);  // focus alone opens nothing
}

TEST_F(QtWindowTest, ClicksAndKeysOnTheFileListAreRequests) {
    clickRow(1);
    clickRow(1);
    EXPECT_EQ(requests(), 2);
    EXPECT_EQ(window_->File1->selectionModel()->selectedRows().value(0).row(), 1);
    QTest::keyClick(window_->File1, Qt::Key_Down);
    EXPECT_EQ(window_->form().File1.fileName(), "c.xls");
    EXPECT_EQ(requests(), 3);
}

TEST_F(QtWindowTest, FirstDownSelectsTheFirstFile) {
    window_->File1->setFocus();
    QTest::keyClick(window_->File1, Qt::Key_Down);
    EXPECT_EQ(window_->form().File1.fileName(), "a.xls");
    EXPECT_EQ(requests(), 1);
}

TEST_F(QtWindowTest, CheckBoxAndTypeListGoThroughTheLogic) {
    QTest::mouseClick(window_->Check1, Qt::LeftButton);
    EXPECT_EQ(window_->Check1->checkState(), Qt::Checked);
    EXPECT_EQ(window_->form().Check1.value(), 1);
    window_->Combo1->setCurrentIndex(2);
    emit window_->Combo1->activated(2);
    EXPECT_EQ(window_->form().Combo1.text(), "Word");
    std::ifstream in(root_ / "config" / "comp.ini");
    const std::string ini((std::istreambuf_iterator<char>(in)), {});
    EXPECT_THAT(ini, HasSubstr("Tick=1"));
    EXPECT_THAT(ini, HasSubstr("Type=Word"));
}

// Turning the wheel over the closed type or drive list, even one holding the focus, changes
// neither: the wheel is on its way to the lists below.
TEST_F(QtWindowTest, TheWheelOverAClosedListChangesNothing) {
    const std::string iniBefore = readWholeFileOrEmpty(root_ / "config" / "comp.ini");
    const std::string driveBefore = window_->form().Drive1.drive();
    for (ChoiceBox* box : {window_->Combo1, window_->Drive1}) {
        box->setFocus();
        for (int delta : {-120, 120, -120}) {
            const QPointF at = QRectF(box->rect()).center();
            QWheelEvent turn(at, box->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                             Qt::NoScrollPhase, false);
            QApplication::sendEvent(box, &turn);
        }
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->form().Combo1.text(), "Excel");
    EXPECT_EQ(window_->Combo1->currentText(), "Excel");
    EXPECT_EQ(window_->form().Drive1.drive(), driveBefore);
    EXPECT_EQ(window_->Drive1->currentIndex(), 0);
    EXPECT_EQ(readWholeFileOrEmpty(root_ / "config" / "comp.ini"), iniBefore);
}

TEST_F(QtWindowTest, LongReportIsCutOnTheLineAndWholeInTheToolTip) {
    office_.failCreation("excel.application");
    std::filesystem::rename(root_ / "a.xls", root_ / (std::string(200, 'n') + ".xls"));
    window_->form().File1.refresh();
    window_->form().File1.waitUntilListed();
    clickRow(0);
    requests();
    EXPECT_THAT(window_->Label1->text().toStdString(), HasSubstr("\u2026"));
    EXPECT_THAT(window_->Label1->toolTip().toStdString(), HasSubstr("Excel"));
}

// The saved folder is read once the window is on screen, not while it is being put there, and
// then without anyone waiting for it.
TEST(QtWindowStart, ListsFillOnceTheWindowIsShown) {
    char pattern[] = "/tmp/vorrindel-qt-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path root = pattern;
    std::filesystem::create_directories(root / "sub");
    std::filesystem::create_directories(root / "config");
    std::ofstream(root / "a.xls") << "x";
    std::ofstream(root / "config" / "comp.ini") << "[Type]\nType=Excel\n[Dir]\nDir=" << root.string() << "\n";
    vorrindel::testing::MemoryOffice office;
    {
        QtWindow window(settings::SettingsFile(root / "config" / "comp.ini"), listing::DriveTable::of({{"/", "root"}}, "/"),
                        [&office] { return std::make_unique<automation::ForwardingOffice>(office); });
        const int chain = window.Dir1->count();  // the way down to the folder, shown at once
        // ... and, once read, its sub-folders "config" and "sub".
        QTest::qWait(50);
        EXPECT_EQ(window.File1->model()->rowCount(), 0) << "read before the window was shown";

        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.File1->model()->rowCount() == 1 && window.Dir1->count() == chain + 2; }, 5000)) << window.File1->model()->rowCount() << " files, " << window.Dir1->count() << " folders, chain " << chain;
    }
    std::filesystem::remove_all(root);
}

// Started with standard error a pipe that nobody reads, the first report must not end it. The
// proof that the program went on past that report: it then restores the saved folder, and saves
// it again without its trailing separator.
TEST(Program, SurvivesAStandardErrorThatIsClosed) {
    using namespace std::chrono;
    const std::string program = VORRINDEL_PROGRAM;
    char pattern[] = "/tmp/vorrindel-pipe-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path config = std::filesystem::path(pattern) / "vorrindel";
    const std::filesystem::path folder = std::filesystem::path(pattern) / "folder";
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(folder);
    // The unknown type is reported at start-up, before the folder is restored.
    std::ofstream(config / "comp.ini") << "[Type]\nType=nothing\n[Dir]\nDir=" << folder.string() << "/\n";
    const int changes = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(changes, 0);
    ASSERT_GE(inotify_add_watch(changes, config.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO), 0);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);  // the reader is gone
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        setenv("XDG_CONFIG_HOME", pattern, 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (chdir("/") != 0) _exit(126);  // starts elsewhere than the saved folder
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    ASSERT_GE(ended, 0);

    // Waits, at most 20 s, for the folder saved again or for the program's end.
    const std::string savedAgain = "Dir=" + folder.string() + "\n";
    const auto deadline = steady_clock::now() + 20s;
    bool saved = false;
    bool gone = false;
    while (!saved && !gone) {
        saved = readWholeFileOrEmpty(config / "comp.ini").find(savedAgain) != std::string::npos;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (saved || left <= 0) break;
        pollfd events[] = {{changes, POLLIN, 0}, {ended, POLLIN, 0}};
        if (poll(events, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
        gone = (events[1].revents & POLLIN) != 0;
        char drained[4096];
        while (read(changes, drained, sizeof drained) > 0) {
        }
    }
    int status = 0;
    EXPECT_TRUE(saved) << "the folder was not saved again";
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the program ended, status " << status;
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
    close(ended);
    close(changes);
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace vorrindel::app::qt
