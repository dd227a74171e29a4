#pragma once
// LibreOffice Base steps for Access databases. Each .mdb gets a small Base document (.odb) in a
// cache folder whose data source reaches the .mdb through the read-only Access driver; opening it
// shows the tables, closing it takes every window opened from it along. The office must have the
// driver's registration in its environment (AccessDriverSetup.h). Each function runs
// inside one call into the office and raises AutomationError for what the user should be told.

#include <string>
#include <vector>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace vorrindel::automation::libreoffice {

// The Base document for `mdbPath` in `cacheDir`, stored there when missing:
// <cacheDir>/<hash of the URL>/<name of the .mdb>.odb, its data source connecting with
// `connectionUrl` (accessConnectionUrl) and listing tables only, no queries or system tables.
// Returns its path.
std::string databaseDocumentFor(const css::uno::Reference<css::uno::XComponentContext>& context,
                                const std::string& mdbPath, const std::string& connectionUrl,
                                const std::string& cacheDir);

// Loads the document read-only in a Base window of its own (hidden when asked), connects it and
// shows its tables. The title reads "<shownName> (read-only)". When the database cannot be read,
// the window is closed again and the AutomationError gives the driver's reason, or says that the
// office does not see the driver (it was started without its registration).
css::uno::Reference<css::frame::XModel> openDatabaseDocument(
    const css::uno::Reference<css::uno::XComponentContext>& context,
    const css::uno::Reference<css::frame::XDesktop2>& desktop, const std::string& documentPath,
    const std::string& shownName, bool hidden = false);

// Closes the windows opened from the document (table views), then the document itself, keeping
// nothing of what changed.
void closeDatabaseDocument(const css::uno::Reference<css::frame::XModel>& document);

// The tables the open document's connection lists.
std::vector<std::string> listedTables(const css::uno::Reference<css::frame::XModel>& document);

}  // namespace vorrindel::automation::libreoffice
