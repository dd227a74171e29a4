#include "OfficeFixture.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include "automation/libreoffice/Databases.h"
#include "automation/libreoffice/Documents.h"
#include "automation/libreoffice/DocumentKinds.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/OfficeProcess.h"
#include "automation/libreoffice/Profile.h"
#include "automation/libreoffice/OfficeThread.h"

namespace vorrindel::automation::libreoffice::testing {

namespace fs = std::filesystem;
namespace uno = css::uno;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

std::string g_root;
LibreOfficeOptions g_options;
std::unique_ptr<LibreOfficeAutomation> g_office;

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

const char* kDeck = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
 <office:body><office:presentation>
  <draw:page draw:name="page1"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm">
   <draw:text-box><text:p>TITLE</text:p></draw:text-box></draw:frame></draw:page>
 </office:presentation></office:body></office:document>
)";

}  // namespace

// Converts with a throw-away office of its own, apart from the office under test.
void convertInto(const std::string& outdir, const std::string& format, const std::vector<std::string>& sources) {
    std::string profile = g_root + "/convert-profile";
    seedPrivateProfile(profile);
    std::string cmd = "'" + g_options.programDir + "/soffice' -env:UserInstallation=" + fileUrlFromPath(profile) +
                      " --headless --convert-to " + format + " --outdir '" + outdir + "'";
    for (const auto& s : sources) cmd += " '" + s + "'";
    cmd += " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

namespace {

void convert(const std::string& format, const std::vector<std::string>& names) {
    std::vector<std::string> sources;
    for (const auto& name : names) sources.push_back(g_root + "/src/" + name);
    convertInto(g_root + "/samples", format, sources);
}

void closeEverything(const Connection& c);

template <class R>
R probe(std::function<R(const Connection&)> fn) {
    return office().session().call<R>(std::move(fn));
}

Reference<css::awt::XWindow> windowOfPath(const Connection& conn, const std::string& path) {
    auto model = findByPath(conn, path);
    if (!model.is()) {
        std::string all;
        auto it = conn.desktop->getComponents()->createEnumeration();
        while (it->hasMoreElements()) {
            Reference<css::frame::XModel> m(it->nextElement(), UNO_QUERY);
            all += " [" + (m.is() ? fromOU(m->getURL()) : std::string("?")) + "]";
        }
        throw AutomationError(errors::kNotFound, "not open: " + path + " among" + all);
    }
    return model->getCurrentController()->getFrame()->getContainerWindow();
}

}  // namespace

void OfficeEnvironment::SetUp() {
    if (eager_) prepare();
}

void prepare() {
    if (g_office) return;
    char tmpl[] = "/tmp/vorrindel-office-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    g_root = tmpl;
    fs::create_directories(g_root + "/src");
    fs::create_directories(g_root + "/samples");
    g_options.profileDir = g_root + "/profile";
    g_options.pipeName = "vorrindel_test_" + std::to_string(getpid());
    g_options.callTimeout = std::chrono::milliseconds(8000);
    g_options.openTimeout = std::chrono::milliseconds(10000);
    g_options.headless = std::getenv("DISPLAY") == nullptr;
    g_options.cacheDir = g_root + "/cache";
    g_options.dataDir = g_root + "/data";

    std::string src = g_root + "/src/";
    writeFile(src + "alpha.csv", "name,value\nalpha,1\n");
    writeFile(src + "beta.csv", "name,value\nbeta,2\n");
    writeFile(src + "Gamma.csv", "name,value\ngamma,3\n");
    writeFile(src + "one.txt", "The first document.\n");
    writeFile(src + "two.txt", "The second document.\n");
    writeFile(src + "three.txt", "The third document.\n");
    std::string deck = kDeck;
    writeFile(src + "deck.fodp", deck.replace(deck.find("TITLE"), 5, "Deck"));
    deck = kDeck;
    writeFile(src + "show.fodp", deck.replace(deck.find("TITLE"), 5, "Show"));
    convert("xls", {"alpha.csv", "beta.csv", "Gamma.csv"});
    convert("doc", {"one.txt", "two.txt", "three.txt"});
    convert("ppt", {"deck.fodp", "show.fodp"});
    // Bytes no filter reads, under a spreadsheet's and a presentation's name (the office takes
    // them for plain text, which no presentation is), and a spreadsheet under a document's name.
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    writeFile(g_root + "/samples/broken.xls", garbage);
    writeFile(g_root + "/samples/broken.ppt", garbage);
    fs::copy_file(g_root + "/samples/alpha.xls", g_root + "/samples/sheet.doc");

    g_office = makeLibreOfficeAutomation(g_options);
}

void OfficeEnvironment::TearDown() {
    if (g_office) {
        g_office->shutdownOffice();
        g_office.reset();
    }
    std::error_code ec;
    if (!g_root.empty() && !std::getenv("VORRINDEL_KEEP_TEST_FILES")) fs::remove_all(g_root, ec);
}

const std::string& samples() {
    prepare();
    static std::string dir;
    dir = g_root + "/samples";
    return dir;
}

std::string sample(const std::string& name) { return samples() + "/" + name; }

std::string copyOfSample(const std::string& name, const std::string& newName) {
    static int counter = 0;
    std::string dir = g_root + "/copies/" + std::to_string(++counter);
    fs::create_directories(dir);
    std::string target = dir + "/" + newName;
    fs::copy_file(sample(name), target, fs::copy_options::overwrite_existing);
    return target;
}

const LibreOfficeOptions& officeOptions() { return g_options; }
LibreOfficeAutomation& office() {
    prepare();
    return *g_office;
}
bool windowsVisible() { return !g_options.headless; }

bool openByHand(const std::string& path) {
    office().session().connection();  // the office must run already, or this would start a second one
    if (g_options.headless) {
        // A headless office ignores files handed to it on a command line; load it over UNO
        // instead, past the backend's own Open.
        std::string wanted = fs::canonical(path).string();
        probe<bool>([wanted](const Connection& c) { return loadDocument(c, wanted, {}).is(); });
        return isOpen(path);
    }
    std::string cmd = "'" + g_options.programDir + "/soffice' -env:UserInstallation=" +
                      fileUrlFromPath(g_options.profileDir) + " '" + path + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    for (int i = 0; i < 300; ++i) {
        if (isOpen(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int openCount(DocKind kind) {
    return probe<int>([kind](const Connection& c) { return static_cast<int>(documentsOf(c, kind).size()); });
}

bool isOpen(const std::string& path) { return copiesOpen(path) > 0; }

int copiesOpen(const std::string& path) {
    std::string wanted = fs::canonical(path).string();
    return probe<int>([wanted](const Connection& c) {
        int n = 0;
        auto it = c.desktop->getComponents()->createEnumeration();
        while (it->hasMoreElements()) {
            Reference<css::frame::XModel> model(it->nextElement(), UNO_QUERY);
            if (!model.is()) continue;
            auto own = pathFromFileUrl(fromOU(model->getURL()));
            if (own && *own == wanted) ++n;
        }
        return n;
    });
}

void setModified(const std::string& path, bool modified) {
    std::string wanted = fs::canonical(path).string();
    probe<bool>([wanted, modified](const Connection& c) {
        Reference<css::util::XModifiable>(findByPath(c, wanted), uno::UNO_QUERY_THROW)->setModified(modified);
        return true;
    });
}

bool isModified(const std::string& path) {
    std::string wanted = fs::canonical(path).string();
    return probe<bool>([wanted](const Connection& c) {
        return static_cast<bool>(
            Reference<css::util::XModifiable>(findByPath(c, wanted), uno::UNO_QUERY_THROW)->isModified());
    });
}

bool isMaximized(const std::string& path) {
    std::string wanted = fs::canonical(path).string();
    return probe<bool>([wanted](const Connection& c) {
        Reference<css::awt::XTopWindow2> top(windowOfPath(c, wanted), uno::UNO_QUERY_THROW);
        return static_cast<bool>(top->getIsMaximized());
    });
}

bool settlesMaximized(const std::string& path, bool wanted) {
    // A window manager answers a change of state in its own time; the office reports the state
    // it was last told.
    for (int i = 0; i < 100 && isMaximized(path) != wanted; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    return isMaximized(path) == wanted;
}

void restoreWindow(const std::string& path) {
    std::string wanted = fs::canonical(path).string();
    probe<bool>([wanted](const Connection& c) {
        Reference<css::awt::XTopWindow2> top(windowOfPath(c, wanted), uno::UNO_QUERY_THROW);
        runOnOfficeThread(c, [top] { top->setIsMaximized(false); });
        return true;
    });
    settlesMaximized(path, false);
}

bool isVisible(const std::string& path) {
    std::string wanted = fs::canonical(path).string();
    return probe<bool>([wanted](const Connection& c) {
        Reference<css::awt::XWindow2> window(windowOfPath(c, wanted), uno::UNO_QUERY_THROW);
        return static_cast<bool>(window->isVisible());
    });
}

std::vector<std::string> databaseWindows() {
    return probe<std::vector<std::string>>([](const Connection& c) {
        std::vector<std::string> titles;
        for (const auto& model : documentsOf(c, DocKind::Database))
            titles.push_back(fromOU(Reference<css::frame::XTitle>(model->getCurrentController()->getFrame(),
                                                                  uno::UNO_QUERY_THROW)
                                        ->getTitle()));
        return titles;
    });
}

namespace {

int framesIn(const Reference<css::frame::XFramesSupplier>& parent) {
    auto frames = parent->getFrames();
    int count = frames->getCount();
    for (sal_Int32 i = 0; i < frames->getCount(); ++i)
        count += framesIn(Reference<css::frame::XFramesSupplier>(frames->getByIndex(i), uno::UNO_QUERY_THROW));
    return count;
}

}  // namespace

int windowsOpen() {
    return probe<int>([](const Connection& c) {
        return framesIn(Reference<css::frame::XFramesSupplier>(c.desktop, uno::UNO_QUERY_THROW));
    });
}

void closeAll() {
    probe<bool>([](const Connection& c) {
        runOnOfficeThread(c, [&c] { closeEverything(c); });
        return true;
    });
}

namespace {
void closeEverything(const Connection& c) {
    {
        auto it = c.desktop->getComponents()->createEnumeration();
        std::vector<Reference<uno::XInterface>> all;
        while (it->hasMoreElements()) all.emplace_back(it->nextElement(), UNO_QUERY);
        for (auto& component : all) {
            // A database goes with the windows opened from it (table views).
            if (Reference<css::frame::XModel> model(component, UNO_QUERY);
                model.is() && kindOf(model) == DocKind::Database) {
                closeDatabaseDocument(model);
                continue;
            }
            Reference<css::util::XCloseable> doc(component, UNO_QUERY);
            if (!doc.is()) continue;
            if (Reference<css::util::XModifiable> m(doc, UNO_QUERY); m.is()) m->setModified(false);
            doc->close(true);
        }
    }
}
}  // namespace

Args excelOpenArgs(const std::string& path) {
    Args args{Value::text(path), Value::omitted(), Value::boolean(false)};
    args.resize(13, Value::omitted());
    return args;
}

}  // namespace vorrindel::automation::libreoffice::testing
