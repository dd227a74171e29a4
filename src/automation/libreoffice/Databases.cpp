#include "automation/libreoffice/Databases.h"

#include <cppuhelper/implbase1.hxx>

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/sdb/DatabaseContext.hpp>
#include <com/sun/star/sdb/XDocumentDataSource.hpp>
#include <com/sun/star/sdb/application/XDatabaseDocumentUI.hpp>
#include <com/sun/star/sdbc/SQLException.hpp>
#include <com/sun/star/sdbcx/XTablesSupplier.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/util/URLTransformer.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include "automation/Automation.h"
#include "automation/libreoffice/FileUrls.h"
#include "common/Hash.h"

namespace vorrindel::automation::libreoffice {

namespace fs = std::filesystem;
namespace uno = css::uno;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

rtl::OUString ou(const std::string& s) {
    return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}
std::string utf8(const rtl::OUString& s) { return rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8).getStr(); }

css::beans::PropertyValue property(const char* name, const uno::Any& value) {
    css::beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}


// Whatever Base would ask while loading is declined: nothing may wait on a dialog.
class Decline : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        for (const auto& c : request->getContinuations())
            if (Reference<css::task::XInteractionAbort> abort(c, UNO_QUERY); abort.is()) {
                abort->select();
                return;
            }
    }
};

// The driver manager and the drivers prefix their messages with "[name]" tags; some office builds
// add where in their source the message was passed on.
std::string withoutTags(std::string s) {
    while (!s.empty() && s.front() == '[') {
        auto end = s.find(']');
        if (end == std::string::npos) break;
        s.erase(0, end + 1);
    }
    if (auto at = s.rfind(" at ./"); at != std::string::npos) s.erase(at);
    return s;
}

// Base's own message ("The connection to the data source ... could not be established") comes
// first; the driver's reason is further down the chain. A data source the driver manager does not
// know means an office that was running before this program could start it with the driver.
std::string reasonOf(const css::sdbc::SQLException& e) {
    std::string reason;
    css::sdbc::SQLException current = e;
    for (int depth = 0; depth < 8; ++depth) {
        if (current.SQLState == "IM002")
            return "LibreOffice was already running without Vorrindel's Access driver, so it cannot read Access "
                   "databases: quit LibreOffice, then click the file again (Vorrindel then starts LibreOffice "
                   "with the driver)";
        if (std::string m = withoutTags(utf8(current.Message)); !m.empty()) reason = m;
        css::sdbc::SQLException next;
        if (!(current.NextException >>= next)) break;
        current = next;
    }
    return reason.empty() ? "the database cannot be read" : reason;
}

Reference<css::sdb::application::XDatabaseDocumentUI> uiOf(const Reference<css::frame::XModel>& document) {
    return Reference<css::sdb::application::XDatabaseDocumentUI>(document->getCurrentController(), UNO_QUERY);
}

void dispatch(const Reference<uno::XComponentContext>& context, const Reference<css::frame::XModel>& document,
              const char* command) {
    css::util::URL url;
    url.Complete = rtl::OUString::createFromAscii(command);
    css::util::URLTransformer::create(context)->parseStrict(url);
    Reference<css::frame::XDispatchProvider> provider(document->getCurrentController()->getFrame(), UNO_QUERY_THROW);
    if (Reference<css::frame::XDispatch> d = provider->queryDispatch(url, "_self", 0); d.is()) d->dispatch(url, {});
}

}  // namespace

std::string databaseDocumentFor(const Reference<uno::XComponentContext>& context, const std::string& mdbPath,
                                const std::string& connectionUrl, const std::string& cacheDir) {
    fs::path dir = fs::path(cacheDir) / hexHash(connectionUrl);
    fs::path document = dir / (fs::path(mdbPath).stem().string() + ".odb");
    std::error_code ec;
    if (fs::is_regular_file(document, ec)) return document.string();
    fs::create_directories(dir, ec);
    if (ec) throw AutomationError(errors::kFailed, "cannot create " + dir.string() + ": " + ec.message());

    auto databases = css::sdb::DatabaseContext::create(context);
    // A new data source comes only from the factory interface the SDK marks as deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Reference<css::beans::XPropertySet> source(databases->createInstance(), UNO_QUERY_THROW);
#pragma GCC diagnostic pop
    const rtl::OUString tablesOnly[] = {"TABLE"};
    const css::beans::PropertyValue info[] = {property("CharSet", uno::Any(rtl::OUString("UTF-8")))};
    source->setPropertyValue("URL", uno::Any(ou(connectionUrl)));
    source->setPropertyValue("TableTypeFilter", uno::Any(uno::Sequence<rtl::OUString>(tablesOnly, 1)));
    source->setPropertyValue("Info", uno::Any(uno::Sequence<css::beans::PropertyValue>(info, 1)));
    Reference<css::frame::XStorable> storable(
        Reference<css::sdb::XDocumentDataSource>(source, UNO_QUERY_THROW)->getDatabaseDocument(), UNO_QUERY_THROW);
    // Stored under another name first, so that a document cut short is never found later.
    fs::path partial = document;
    partial += ".partial";
    storable->storeAsURL(ou(fileUrlFromPath(partial.string())), {});
    if (Reference<css::util::XCloseable> closeable(storable, UNO_QUERY); closeable.is()) closeable->close(true);
    fs::rename(partial, document, ec);
    if (ec) throw AutomationError(errors::kFailed, "cannot store " + document.string() + ": " + ec.message());
    return document.string();
}

Reference<css::frame::XModel> openDatabaseDocument(const Reference<uno::XComponentContext>& context,
                                                   const Reference<css::frame::XDesktop2>& desktop,
                                                   const std::string& documentPath, const std::string& shownName,
                                                   bool hidden) {
    // Read-only: the window offers no designing of queries or forms, whose changes would make
    // closing it ask to save them.
    const css::beans::PropertyValue args[] = {
        property("InteractionHandler", uno::Any(Reference<css::task::XInteractionHandler>(new Decline))),
        property("MacroExecutionMode", uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)),
        property("ReadOnly", uno::Any(true)),
        property("Hidden", uno::Any(hidden)),
    };
    Reference<css::frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
    Reference<css::frame::XModel> document;
    try {
        document.set(loader->loadComponentFromURL(ou(fileUrlFromPath(documentPath)), "_blank", 0,
                                                  uno::Sequence<css::beans::PropertyValue>(args, std::size(args))),
                     UNO_QUERY);
    } catch (const css::lang::IllegalArgumentException&) {
    } catch (const css::io::IOException&) {
    }
    if (!document.is()) {
        // The document is this program's own: made afresh at the next open.
        std::error_code ec;
        fs::remove(documentPath, ec);
        throw AutomationError(errors::kFailed, "LibreOffice Base cannot load the document made for it, " + documentPath);
    }
    auto ui = uiOf(document);
    try {
        if (!ui.is())
            throw AutomationError(errors::kFailed, documentPath + " opened as something other than a database");
        ui->connect();
    } catch (const css::sdbc::SQLException& e) {
        closeDatabaseDocument(document);
        throw AutomationError(errors::kFailed, reasonOf(e));
    } catch (...) {
        closeDatabaseDocument(document);
        throw;
    }
    dispatch(context, document, ".uno:DBViewTables");
    // Nothing is ever written to the file: the window says so.
    if (Reference<css::frame::XTitle> title(document, UNO_QUERY); title.is())
        title->setTitle(ou(shownName + " (read-only)"));
    return document;
}

void closeDatabaseDocument(const Reference<css::frame::XModel>& document) {
    if (auto ui = uiOf(document); ui.is()) ui->closeSubComponents();
    if (Reference<css::util::XModifiable> modifiable(document, UNO_QUERY); modifiable.is())
        modifiable->setModified(false);
    Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
}

std::vector<std::string> listedTables(const Reference<css::frame::XModel>& document) {
    auto ui = uiOf(document);
    if (!ui.is() || !ui->isConnected()) return {};
    Reference<css::sdbcx::XTablesSupplier> tables(ui->getActiveConnection(), UNO_QUERY_THROW);
    std::vector<std::string> names;
    for (const auto& name : tables->getTables()->getElementNames()) names.push_back(utf8(name));
    return names;
}

}  // namespace vorrindel::automation::libreoffice
