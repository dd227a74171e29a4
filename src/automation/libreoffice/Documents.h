#pragma once
// What the application objects do to the office's documents: find them by kind and name, load,
// close, and act on their windows. All of it runs inside OfficeSession::call.

#include <optional>
#include <string>
#include <vector>

#include <com/sun/star/frame/XModel.hpp>

#include "automation/libreoffice/OfficeSession.h"

namespace vorrindel::automation::libreoffice {

using ModelRef = css::uno::Reference<css::frame::XModel>;

std::optional<DocKind> kindOf(const css::uno::Reference<css::uno::XInterface>& component);
std::string_view kindNoun(DocKind kind);  // "spreadsheet", "text document", "presentation", "database"

// Open documents of that kind, in the office's order (oldest first).
std::vector<ModelRef> documentsOf(const Connection& conn, DocKind kind);
// The document of that kind whose file name matches, letter case ignored (byte for byte for a
// name that is not UTF-8); for presentations the name is compared without its extension.
ModelRef findByName(const Connection& conn, DocKind kind, const std::string& name);
// Any open document loaded from that local path.
ModelRef findByPath(const Connection& conn, const std::string& path);
std::string documentName(const ModelRef& model);

// Whether a document known from earlier is still open; asks it alone rather than going through
// every document the office has.
bool stillOpen(const Connection& conn, const ModelRef& model);

// The file an Open names, as the absolute path the office will report it under (a path written
// with backslashes is tried with slashes). Fails with "cannot open "<path>": <cause>" when the
// file cannot be opened at all.
std::string resolveOpenPath(std::string path);

// The document a window operation acts on: `preferred` while it is still open, else the one
// opened last through this session, else the office's current one of that kind, else the newest.
ModelRef currentDocument(const Connection& conn, DocKind kind, const ModelRef& preferred,
                         const ModelRef& sessionLast);

struct LoadOptions {
    bool readOnly = false;
    bool hidden = false;
    // Listed among the office's recent documents. Such a document costs its close a rendered
    // thumbnail, a good part of a request.
    bool recent = true;
};
// Loads `path` (absolute, existing) visibly. Raises AutomationError naming the cause when the
// office cannot load it; never lets the office show a dialog.
ModelRef loadDocument(const Connection& conn, const std::string& path, const LoadOptions& options);
// Fails, closing the document again, when the office read the file as another kind of document
// than the application it was opened through wants (a spreadsheet named .doc opened by Word).
void requireKind(const ModelRef& model, DocKind kind);
// Removes a lock file that this user's office left behind when it ended without closing the
// document; returns true when one was removed.
bool removeStaleLock(const std::string& path, const std::string& ownProfileUrl);

// Makes and closes a hidden empty document of that kind, so that the office has the kind's code
// loaded before the first real document (nothing for databases, whose window opens quickly).
void warmUp(const Connection& conn, DocKind kind);

// Closes the document; one with unsaved changes is left open and the close fails.
void closeDocument(const ModelRef& model);

enum class WindowShow { Normal, Minimized, Maximized };
// Shows or hides the document's window, leaving its place among the other windows as it is.
void showWindow(const ModelRef& model, bool visible);
void setWindowShow(const ModelRef& model, WindowShow show);
// Shows the window and makes it the active one; `raise`: also bring it in front of others.
void activateWindow(const ModelRef& model, bool raise = true);

}  // namespace vorrindel::automation::libreoffice
