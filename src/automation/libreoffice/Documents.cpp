#include "automation/libreoffice/Documents.h"
#include "automation/libreoffice/FileUrls.h"
#include "automation/libreoffice/LockFiles.h"
#include "automation/libreoffice/Profile.h"
#include "common/Files.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/FilterOptionsRequest.hpp>
#include <com/sun/star/document/LockFileCorruptRequest.hpp>
#include <com/sun/star/document/LockFileIgnoreRequest.hpp>
#include <com/sun/star/document/LockedDocumentRequest.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/NoSuchFilterRequest.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/ucb/InteractiveIOException.hpp>
#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

namespace vorrindel::automation::libreoffice {


namespace {


css::beans::PropertyValue property(const char* name, uno::Any value) {
    css::beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = std::move(value);
    return p;
}

// Answers every question the office would otherwise put in a modal dialog, and notes why a load
// failed so that the error can say so. Warnings are acknowledged, everything else refused.
class QuietInteraction : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        uno::Any what = request->getRequest();
        bool warning = false;
        std::string problem;
        css::document::LockedDocumentRequest locked;
        css::task::ErrorCodeRequest code;
        css::ucb::InteractiveIOException io;
        css::document::NoSuchFilterRequest noFilter;
        css::document::FilterOptionsRequest filterOptions;
        css::task::PasswordRequest password;
        if (what.isExtractableTo(cppu::UnoType<css::document::LockFileIgnoreRequest>::get()) ||
            what.isExtractableTo(cppu::UnoType<css::document::LockFileCorruptRequest>::get())) {
            // No lock file can be made beside the document (a name too long for one, a folder
            // without write access) or the one there is unreadable: open it without one, as the
            // office's own dialog offers.
            warning = true;
            problem = "no lock file could be made for it";
        } else if (what >>= password) {
            problem = "it is password-protected (files that need a password are not opened)";
        } else if (what >>= locked) {
            problem = "it is locked for editing by " +
                      (locked.UserInfo.isEmpty() ? std::string("another user") : fromOU(locked.UserInfo));
        } else if (what >>= code) {
            // Codes with the top bit set are warnings; the document itself loads.
            warning = (static_cast<std::uint32_t>(code.ErrCode) & 0x80000000u) != 0;
            char hex[16];
            std::snprintf(hex, sizeof hex, "%#x", static_cast<unsigned>(code.ErrCode));
            problem = std::string("the file is damaged or not in a format LibreOffice reads (error ") + hex + ")";
        } else if (what >>= io) {
            problem = "the file could not be read (input/output error " + std::to_string(static_cast<int>(io.Code)) +
                      (io.Message.isEmpty() ? std::string() : ": " + fromOU(io.Message)) + ")";
        } else if (what >>= noFilter) {
            problem = "no LibreOffice filter reads this file";
        } else if (what >>= filterOptions) {
            problem = "the file needs import options (it is probably not of this type)";
        } else {
            problem = "LibreOffice asked: " + fromOU(what.getValueTypeName());
        }
        auto continuations = request->getContinuations();
        Reference<css::task::XInteractionContinuation> abort, disapprove, approve;
        for (const auto& c : continuations) {
            if (!abort.is() && Reference<css::task::XInteractionAbort>(c, UNO_QUERY).is()) abort = c;
            if (!disapprove.is() && Reference<css::task::XInteractionDisapprove>(c, UNO_QUERY).is()) disapprove = c;
            if (!approve.is() && Reference<css::task::XInteractionApprove>(c, UNO_QUERY).is()) approve = c;
        }
        if (warning && approve.is()) {
            approve->select();
            return;
        }
        {
            std::lock_guard lock(mutex_);
            if (problem_.empty()) problem_ = problem;
        }
        if (abort.is())
            abort->select();
        else if (disapprove.is())
            disapprove->select();
        else if (approve.is() && continuations.getLength() == 1)
            approve->select();
    }

    std::string problem() const {
        std::lock_guard lock(mutex_);
        return problem_;
    }

private:
    mutable std::mutex mutex_;
    std::string problem_;
};

Reference<css::frame::XFrame> frameOf(const ModelRef& model) {
    if (!model.is()) return {};
    auto controller = model->getCurrentController();
    return controller.is() ? controller->getFrame() : Reference<css::frame::XFrame>();
}

Reference<css::awt::XWindow> windowOf(const ModelRef& model) {
    auto frame = frameOf(model);
    return frame.is() ? frame->getContainerWindow() : Reference<css::awt::XWindow>();
}

bool sameObject(const ModelRef& a, const ModelRef& b) {
    return a.is() && b.is() && a == b;
}


}  // namespace

std::optional<DocKind> kindOf(const Reference<uno::XInterface>& component) {
    Reference<css::lang::XServiceInfo> info(component, UNO_QUERY);
    if (!info.is()) return std::nullopt;
    if (info->supportsService("com.sun.star.sheet.SpreadsheetDocument")) return DocKind::Spreadsheet;
    if (info->supportsService("com.sun.star.presentation.PresentationDocument")) return DocKind::Presentation;
    if (info->supportsService("com.sun.star.text.TextDocument")) return DocKind::Text;
    if (info->supportsService("com.sun.star.sdb.OfficeDatabaseDocument")) return DocKind::Database;
    return std::nullopt;
}

std::string_view kindNoun(DocKind kind) {
    switch (kind) {
    case DocKind::Spreadsheet: return "spreadsheet";
    case DocKind::Text: return "text document";
    case DocKind::Presentation: return "presentation";
    case DocKind::Database: return "database";
    }
    return "document";
}

namespace {

// The first open document for which `wanted` holds, in the office's order.
// A document the office disposed while it is still listed (one whose close an office, stopped
// and then continued, carried out after our side of the bridge had gone) answers nothing: it is
// passed over. The bridge itself gone is the office gone.
template <class Wanted>
ModelRef firstDocument(const Connection& conn, Wanted wanted) {
    auto components = conn.desktop->getComponents();
    if (!components.is()) return {};
    auto it = components->createEnumeration();
    while (it.is() && it->hasMoreElements()) {
        ModelRef model(it->nextElement(), UNO_QUERY);
        try {
            if (model.is() && wanted(model)) return model;
        } catch (const css::lang::DisposedException& e) {
            if (conn.gone->load() || (e.Context.is() && e.Context == conn.bridge)) throw;
        }
    }
    return {};
}

}  // namespace

std::vector<ModelRef> documentsOf(const Connection& conn, DocKind kind) {
    std::vector<ModelRef> out;
    firstDocument(conn, [&](const ModelRef& model) {
        if (kindOf(model) == kind) out.push_back(model);
        return false;
    });
    return out;
}

std::string documentName(const ModelRef& model) { return fileNameFromUrl(fromOU(model->getURL())); }

void requireKind(const ModelRef& model, DocKind kind) {
    auto loaded = kindOf(model);
    if (loaded == kind) return;
    try {
        closeDocument(model);
    } catch (const AutomationError&) {
    }
    throw AutomationError(errors::kFailed,
                          "LibreOffice reads it as " +
                              (loaded ? "a " + std::string(kindNoun(*loaded)) : std::string("another kind of file")) +
                              ", not as a " + std::string(kindNoun(kind)));
}

ModelRef findByName(const Connection& conn, DocKind kind, const std::string& name) {
    if (name.empty()) return {};
    // The name first: it costs one call, the kind up to four.
    return firstDocument(conn, [&](const ModelRef& model) {
        std::string own = documentName(model);
        if (own.empty()) return false;  // untitled: has no file name to match
        if (kind == DocKind::Presentation) own = withoutExtension(own);
        return sameNameIgnoringCase(own, name) && kindOf(model) == kind;
    });
}

ModelRef findByPath(const Connection& conn, const std::string& path) {
    return firstDocument(conn, [&](const ModelRef& model) { return pathFromFileUrl(fromOU(model->getURL())) == path; });
}

bool stillOpen(const Connection& conn, const ModelRef& model) {
    if (!model.is()) return false;
    try {
        return model->getCurrentController().is();
    } catch (const css::lang::DisposedException& e) {
        if (e.Context.is() && e.Context == conn.bridge) throw;  // the office, not the document, is gone
        return false;
    }
}

std::string resolveOpenPath(std::string path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty()) throw AutomationError(errors::kBadArgument, "no file name given to open");
    if (!fs::exists(path, ec) && path.find('\\') != std::string::npos) {
        std::string slashed = path;
        for (auto& c : slashed)
            if (c == '\\') c = '/';
        if (fs::exists(slashed, ec)) path = slashed;
    }
    fs::path p = fs::absolute(path, ec);
    if (auto cause = unopenableCause(p.string()))
        throw AutomationError(errors::kFailed, "cannot open \"" + path + "\": " + *cause);
    auto canonical = fs::canonical(p, ec);
    return ec ? p.lexically_normal().string() : canonical.string();
}

ModelRef currentDocument(const Connection& conn, DocKind kind, const ModelRef& preferred, const ModelRef& sessionLast) {
    for (const auto& candidate : {preferred, sessionLast})
        if (stillOpen(conn, candidate)) return candidate;
    auto docs = documentsOf(conn, kind);
    if (docs.empty()) return {};
    ModelRef current(conn.desktop->getCurrentComponent(), UNO_QUERY);
    for (const auto& d : docs)
        if (sameObject(d, current)) return d;
    return docs.back();
}

bool removeStaleLock(const std::string& path, const std::string& ownProfileUrl) {
    std::string lockPath = lockFilePathFor(path);
    std::error_code ec;
    if (!std::filesystem::exists(lockPath, ec)) return false;
    auto owner = parseLockFile(readWholeFileOrEmpty(lockPath).substr(0, 4096));
    if (!owner || owner->sysUser != currentUserName() || owner->host != currentHostName()) return false;
    std::string lockProfile = owner->profileUrl;
    while (lockProfile.size() > 1 && lockProfile.back() == '/') lockProfile.pop_back();
    // The office we drive would have the document open if its lock were live (the caller looked);
    // a lock of another profile stands while some office runs on that profile.
    if (lockProfile != ownProfileUrl && officeRunsOnProfile(lockProfile, lockProfile == profileUrlFor("")))
        return false;
    return std::filesystem::remove(lockPath, ec);
}

ModelRef loadDocument(const Connection& conn, const std::string& path, const LoadOptions& options) {
    rtl::Reference<QuietInteraction> handler(new QuietInteraction);
    const css::beans::PropertyValue properties[] = {
        property("Hidden", uno::Any(options.hidden)),
        property("ReadOnly", uno::Any(options.readOnly)),
        property("InteractionHandler", uno::Any(Reference<css::task::XInteractionHandler>(handler.get()))),
        // Macros run only from trusted places and links stay as saved: neither may ask.
        property("MacroExecutionMode",
                 uno::Any(static_cast<sal_Int16>(css::document::MacroExecMode::USE_CONFIG_REJECT_CONFIRMATION))),
        property("UpdateDocMode", uno::Any(static_cast<sal_Int16>(css::document::UpdateDocMode::NO_UPDATE))),
        property("PickListEntry", uno::Any(options.recent)),
    };
    uno::Sequence<css::beans::PropertyValue> args(properties, std::size(properties));
    Reference<css::frame::XComponentLoader> loader(conn.desktop, UNO_QUERY_THROW);
    std::string failure;
    Reference<css::lang::XComponent> component;
    try {
        component = loader->loadComponentFromURL(toOU(fileUrlFromPath(path)), "_blank", 0, args);
    } catch (const css::lang::IllegalArgumentException& e) {
        failure = "LibreOffice does not recognise it as a document" +
                  (e.Message.isEmpty() ? std::string() : " (" + fromOU(e.Message) + ")");
    } catch (const css::io::IOException& e) {
        failure = "it could not be read (" + fromOU(e.Message) + ")";
    }
    ModelRef model(component, UNO_QUERY);
    if (!model.is()) {
        if (!handler->problem().empty()) failure = handler->problem();
        if (failure.empty()) failure = "LibreOffice could not load it";
        throw AutomationError(errors::kFailed, "cannot open \"" + path + "\": " + failure);
    }
    return model;
}

void warmUp(const Connection& conn, DocKind kind) {
    const char* factory = kind == DocKind::Spreadsheet ? "private:factory/scalc"
                          : kind == DocKind::Text      ? "private:factory/swriter"
                          : kind == DocKind::Presentation ? "private:factory/simpress"
                                                          : nullptr;
    if (!factory) return;
    const css::beans::PropertyValue properties[] = {property("Hidden", uno::Any(true))};
    Reference<css::frame::XComponentLoader> loader(conn.desktop, UNO_QUERY_THROW);
    auto component = loader->loadComponentFromURL(OUString::createFromAscii(factory), "_blank", 0,
                                                  uno::Sequence<css::beans::PropertyValue>(properties, 1));
    if (Reference<css::util::XCloseable> closeable(component, UNO_QUERY); closeable.is())
        closeable->close(true);
    else if (component.is())
        component->dispose();
}

void closeDocument(const ModelRef& model) {
    Reference<css::util::XModifiable> modifiable(model, UNO_QUERY);
    if (modifiable.is() && modifiable->isModified())
        throw AutomationError(errors::kFailed, "\"" + documentName(model) +
                                                   "\" has unsaved changes and was left open; save or "
                                                   "discard them in LibreOffice first");
    Reference<css::util::XCloseable> closeable(model, UNO_QUERY);
    try {
        if (closeable.is()) {
            closeable->close(true);
        } else {
            Reference<css::lang::XComponent>(model, UNO_QUERY_THROW)->dispose();
        }
    } catch (const css::util::CloseVetoException&) {
        throw AutomationError(errors::kFailed,
                              "\"" + documentName(model) + "\" is busy in LibreOffice and was not closed");
    }
}

void showWindow(const ModelRef& model, bool visible) {
    Reference<css::awt::XWindow2> window(windowOf(model), UNO_QUERY);
    if (window.is() && window->isVisible() != visible) window->setVisible(visible);
}

void setWindowShow(const ModelRef& model, WindowShow show) {
    Reference<css::awt::XTopWindow2> top(windowOf(model), UNO_QUERY);
    if (!top.is()) return;
    // A window already in the state asked for is left alone: each change makes the office lay
    // the document out again, and a new window often opens maximised already.
    if (show != WindowShow::Minimized && top->getIsMinimized()) top->setIsMinimized(false);
    switch (show) {
    case WindowShow::Maximized:
        if (!top->getIsMaximized()) top->setIsMaximized(true);
        break;
    case WindowShow::Minimized:
        if (!top->getIsMinimized()) top->setIsMinimized(true);
        break;
    case WindowShow::Normal:
        if (top->getIsMaximized()) top->setIsMaximized(false);
        break;
    }
}

void activateWindow(const ModelRef& model, bool raise) {
    auto frame = frameOf(model);
    if (!frame.is()) return;
    auto window = frame->getContainerWindow();
    if (window.is()) {
        window->setVisible(true);
        if (raise)
            if (Reference<css::awt::XTopWindow> top(window, UNO_QUERY); top.is()) top->toFront();
    }
    frame->activate();
    if (window.is()) window->setFocus();
}

}  // namespace vorrindel::automation::libreoffice
