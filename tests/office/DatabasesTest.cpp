// The Base steps for Access databases against a real, private LibreOffice that sees the Access
// driver through the environment it was started with (headless without a display).

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/sdb/CommandType.hpp>
#include <com/sun/star/sdb/application/DatabaseObject.hpp>
#include <com/sun/star/sdb/application/XDatabaseDocumentUI.hpp>
#include <com/sun/star/sdbc/XResultSet.hpp>
#include <com/sun/star/sdbc/XRow.hpp>
#include <com/sun/star/sdbc/XRowSet.hpp>

#include "AccessSamples.h"
#include "automation/libreoffice/Databases.h"
#include "automation/libreoffice/LibreOfficeAutomation.h"
#include "automation/libreoffice/OfficeSession.h"
#include "automation/libreoffice/mdbodbc/AccessDriverSetup.h"

namespace vorrindel::automation::libreoffice {
namespace {

namespace fs = std::filesystem;
namespace uno = css::uno;
using ::testing::HasSubstr;
using uno::Reference;
using uno::UNO_QUERY_THROW;
using Ui = css::sdb::application::XDatabaseDocumentUI;

std::string g_root;
AccessDriverRegistration g_registration;
std::unique_ptr<LibreOfficeAutomation> g_office;

// Registers the driver, then starts the office with that environment.
class OfficeWithAccessDriver : public ::testing::Environment {
public:
    void SetUp() override {
        char tmpl[] = "/tmp/vorrindel-base-XXXXXX";
        g_root = mkdtemp(tmpl);
        std::string error;
        auto driver = findAccessDriver();
        ASSERT_TRUE(driver) << "the Access driver is not built";
        auto reg = writeAccessDriverRegistration(g_root + "/odbc", *driver, error);
        ASSERT_TRUE(reg) << error;
        g_registration = *reg;
        for (const auto& [name, value] : reg->environment) setenv(name.c_str(), value.c_str(), 1);
        LibreOfficeOptions options;
        options.profileDir = g_root + "/profile";
        options.pipeName = "vorrindel_base_test_" + std::to_string(getpid());
        options.headless = std::getenv("DISPLAY") == nullptr;
        options.callTimeout = std::chrono::milliseconds(30000);
        g_office = makeLibreOfficeAutomation(options);
    }
    void TearDown() override {
        if (g_office) g_office->shutdownOffice();
        g_office.reset();
        std::error_code ec;
        fs::remove_all(g_root, ec);
    }
};

template <class R>
R inOffice(std::function<R(const Connection&)> fn) {
    return g_office->session().call<R>(std::move(fn));
}

int windowsOpen() {
    return inOffice<int>([](const Connection& c) {
        return Reference<css::frame::XFramesSupplier>(c.desktop, UNO_QUERY_THROW)->getFrames()->getCount();
    });
}

class AccessBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (auto why = testing::accessSamplesMissing(); !why.empty()) GTEST_SKIP() << why;
        ASSERT_EQ(windowsOpen(), 0);
    }
    void TearDown() override { EXPECT_THAT(copies.changed(), ::testing::IsEmpty()) << "a database file changed"; }

    Reference<css::frame::XModel> open(const std::string& file) {
        std::string mdb = copies.path(file);
        return inOffice<Reference<css::frame::XModel>>([&](const Connection& c) {
            std::string odb =
                databaseDocumentFor(c.context, mdb, accessConnectionUrl(g_registration, mdb), g_root + "/cache");
            return openDatabaseDocument(c.context, c.desktop, odb, file);
        });
    }
    void close(const Reference<css::frame::XModel>& document) {
        inOffice<bool>([&](const Connection&) {
            closeDatabaseDocument(document);
            return true;
        });
    }

    testing::AccessCopies copies;
};

TEST_F(AccessBaseTest, ShowsEachFilesTablesReadOnlyAndClosesEveryWindowOpenedFromIt) {
    for (const auto& sample : testing::accessSamples()) {
        SCOPED_TRACE(sample.file);
        auto document = open(sample.file);
        auto [tables, title] = inOffice<std::pair<std::vector<std::string>, std::string>>([&](const Connection&) {
            Reference<css::frame::XTitle> frame(document->getCurrentController()->getFrame(), UNO_QUERY_THROW);
            return std::pair(listedTables(document), fromOU(frame->getTitle()));
        });
        EXPECT_EQ(tables, std::vector<std::string>{sample.table});
        EXPECT_THAT(title, HasSubstr(sample.file + " (read-only)"));
        // A table view opened from the database window is a window of its own, outside the
        // database window's frame; closing the document alone would leave it on screen.
        auto view = inOffice<Reference<css::frame::XFrame>>([&](const Connection&) {
            auto component =
                Reference<Ui>(document->getCurrentController(), UNO_QUERY_THROW)
                    ->loadComponent(css::sdb::application::DatabaseObject::TABLE, toOU(sample.table), false);
            Reference<css::frame::XFrame> frame(component, uno::UNO_QUERY);
            if (Reference<css::frame::XController> controller(component, uno::UNO_QUERY); controller.is())
                frame = controller->getFrame();
            return frame;
        });
        ASSERT_TRUE(view.is());
        close(document);
        bool viewShown = inOffice<bool>([&](const Connection&) {
            try {
                return view->getContainerWindow().is();
            } catch (const css::lang::DisposedException&) {
                return false;
            }
        });
        EXPECT_FALSE(viewShown) << "the table view outlived its database window";
        EXPECT_EQ(windowsOpen(), 0);
    }
}

// Base reads Yes/No columns as SQL_C_BIT into one byte, which mdbtools alone overran.
TEST_F(AccessBaseTest, RowsReadThroughBaseMatchMdbExportYesNoColumnsIncluded) {
    for (const auto& sample : testing::accessSamples()) {
        SCOPED_TRACE(sample.file);
        auto document = open(sample.file);
        auto expected = testing::exportedRows(copies.path(sample.file), sample.table);
        auto rows = inOffice<std::vector<std::vector<std::string>>>([&](const Connection& c) {
            auto rowSet =
                c.context->getServiceManager()->createInstanceWithContext("com.sun.star.sdb.RowSet", c.context);
            Reference<css::beans::XPropertySet> props(rowSet, UNO_QUERY_THROW);
            props->setPropertyValue(
                "ActiveConnection",
                uno::Any(Reference<Ui>(document->getCurrentController(), UNO_QUERY_THROW)->getActiveConnection()));
            props->setPropertyValue("CommandType", uno::Any(css::sdb::CommandType::TABLE));
            props->setPropertyValue("Command", uno::Any(toOU(sample.table)));
            Reference<css::sdbc::XRowSet>(rowSet, UNO_QUERY_THROW)->execute();
            Reference<css::sdbc::XResultSet> result(rowSet, UNO_QUERY_THROW);
            Reference<css::sdbc::XRow> row(rowSet, UNO_QUERY_THROW);
            std::vector<std::vector<std::string>> out;
            while (result->next()) {
                out.emplace_back();
                for (std::size_t i = 1; i <= expected[0].size(); ++i) out.back().push_back(fromOU(row->getString(i)));
                if (sample.yesNoColumn) out.back().push_back(row->getBoolean(sample.yesNoColumn) ? "1" : "0");
            }
            Reference<css::lang::XComponent>(rowSet, UNO_QUERY_THROW)->dispose();
            return out;
        });
        ASSERT_EQ(rows.size(), expected.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t i = 0; i < expected[r].size(); ++i)
                EXPECT_THAT(rows[r][i], ::testing::StartsWith(expected[r][i])) << "row " << r << " column " << i + 1;
            if (sample.yesNoColumn) {
                EXPECT_EQ(rows[r].back(), expected[r][sample.yesNoColumn - 1]);
            }
        }
        close(document);
    }
}

TEST_F(AccessBaseTest, AFileThatIsNoDatabaseIsReportedAndLeavesNoWindow) {
    std::string garbage;
    for (int i = 0; i < 8192; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    testing::writeFile(copies.path("broken.mdb"), garbage);
    try {
        open("broken.mdb");
        ADD_FAILURE() << "a garbage file opened";
    } catch (const AutomationError& e) {
        EXPECT_THAT(e.description(), HasSubstr("\"broken.mdb\""));
        EXPECT_THAT(e.description(), HasSubstr("is not an Access database"));
    }
    EXPECT_EQ(windowsOpen(), 0);
}

}  // namespace
}  // namespace vorrindel::automation::libreoffice

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new vorrindel::automation::libreoffice::OfficeWithAccessDriver);
    return RUN_ALL_TESTS();
}
