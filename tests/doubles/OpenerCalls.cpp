#include "OpenerCalls.h"

#include <stdexcept>

#include "opening/DocumentType.h"
#include "opening/Module1.h"

namespace vorrindel::testing {

using automation::Access;
using automation::Args;
using automation::Value;
using On = Call::On;

namespace {

constexpr int kExcelLocale = automation::kLocaleUsEnglish;

Call create() {
    Call call;
    call.kind = Call::Kind::Create;
    return call;
}
Call global() {
    Call call;
    call.kind = Call::Kind::Global;
    return call;
}

Call member(On on, std::string name, Access access, Args args = {}, std::optional<int> locale = std::nullopt,
            int instance = 1) {
    Call call;
    call.instance = instance;
    call.on = on;
    call.member = std::move(name);
    call.access = access;
    call.args = std::move(args);
    call.locale = locale;
    return call;
}
Call get(On on, std::string name, Args args = {}, std::optional<int> locale = std::nullopt, int instance = 1) {
    return member(on, std::move(name), Access::Get, std::move(args), locale, instance);
}
Call put(On on, std::string name, Value value, std::optional<int> locale = std::nullopt, int instance = 1) {
    return member(on, std::move(name), Access::Put, {std::move(value)}, locale, instance);
}
Call method(On on, std::string name, Args args = {}, std::optional<int> locale = std::nullopt, int instance = 1) {
    return member(on, std::move(name), Access::Method, std::move(args), locale, instance);
}
Call onDocument(Call call, std::string document) {
    call.on = On::Document;
    call.document = std::move(document);
    return call;
}
Call notFound(Call call) {
    call.notFound = true;
    return call;
}

Args omitted(std::size_t count) { return Args(count, Value::omitted()); }
Args withOmitted(Args args, std::size_t size) {
    args.resize(size, Value::omitted());
    return args;
}

}  // namespace

std::vector<OpenerCalls> openerCalls(const std::string& folder) {
    const auto path = [&](const char* file) { return Value::text(opening::SelectedFilePath(folder, file)); };
    const Value yes = Value::boolean(true);
    const Value no = Value::boolean(false);
    return {
        {"Access", "", "",
         "one.mdb",
         "two.mdb",
         {create(), put(On::Application, "Visible", yes),
          method(On::Application, "OpenCurrentDatabase", {path("one.mdb"), no})},
         // Every request creates an Access; the global object closes and quits the one holding
         // the database opened last.
         {put(On::Application, "Visible", yes, std::nullopt, 2), global(),
          method(On::Global, "CloseCurrentDatabase"), method(On::Global, "Quit", {Value::integer(1)}),
          method(On::Application, "OpenCurrentDatabase", {path("two.mdb"), no}, std::nullopt, 2)}},
        // The close of the empty name fails and the open goes ahead.
        {"Excel", "Workbooks", "Workbook",
         "a.xls",
         "b.xls",
         {create(), global(), get(On::Global, "Application"), get(On::Application, "Workbooks"),
          notFound(get(On::Collection, "Item", {Value::text("")})), get(On::Global, "Application"),
          get(On::Application, "Workbooks"),
          method(On::Collection, "Open", withOmitted({path("a.xls"), Value::omitted(), no}, 13), kExcelLocale),
          onDocument(get(On::Application, "Application"), "a.xls"),
          put(On::Application, "Visible", yes, kExcelLocale),
          put(On::Application, "WindowState", Value::integer(-4137), kExcelLocale)},
         {get(On::Collection, "Item", {Value::text("a.xls")}),
          onDocument(method(On::Application, "Close", omitted(3), kExcelLocale), "a.xls")}},
        // No Word has a document open and none was started yet: the starting path.
        {"Word", "Documents", "Document",
         "a.doc",
         "b.doc",
         {global(), get(On::Global, "Documents"), get(On::Collection, "Count"), create(),
          put(On::Application, "Visible", yes), get(On::Application, "Documents"),
          method(On::Collection, "Open", withOmitted({path("a.doc")}, 10)),
          put(On::Application, "WindowState", Value::integer(1))},
         {get(On::Global, "Documents"), get(On::Collection, "Item", {Value::text("a.doc")}),
          onDocument(method(On::Application, "Close", omitted(3)), "a.doc")}},
        // Nothing to close yet, so no close is tried; PowerPoint's own truth value for Visible.
        {"PowerPoint", "Presentations", "Presentation",
         "plan.ppt",
         "deck.ppt",
         {create(), put(On::Application, "Visible", Value::integer(1)), method(On::Application, "Activate"),
          get(On::Application, "Presentations"),
          method(On::Collection, "Open", {path("plan.ppt"), no, no, yes}),
          put(On::Application, "WindowState", Value::integer(3))},
         // PowerPoint knows the presentation by its name less the extension.
         {get(On::Collection, "Item", {Value::text("plan")}),
          onDocument(method(On::Application, "Close"), "plan.ppt")}},
    };
}

const OpenerCalls& openerCallsOf(const std::vector<OpenerCalls>& table, const std::string& type) {
    for (const OpenerCalls& calls : table)
        if (calls.type == type) return calls;
    throw std::invalid_argument("no opener calls for " + type);
}

std::string applicationOf(const std::string& type) {
    const opening::DocumentType* row = opening::findDocumentType(type);
    if (!row) throw std::invalid_argument("no document type " + type);
    return std::string(row->application);
}

std::vector<std::string> inMemoryOfficeWords(const OpenerCalls& opener, const Calls& calls) {
    const std::string application = applicationOf(opener.type);
    const std::string globalName = "global(" + opener.type + ")";
    std::vector<std::string> lines;
    for (const Call& call : calls) {
        const std::string instance = application + "#" + std::to_string(call.instance);
        switch (call.kind) {
        case Call::Kind::Create: lines.push_back("create \"" + application + "\" = " + instance); continue;
        case Call::Kind::Global: lines.push_back("get " + globalName); continue;
        case Call::Kind::Member: break;
        }
        std::string line;
        switch (call.on) {
        case On::Global: line = globalName + "->" + instance; break;
        case On::Application: line = instance; break;
        case On::Collection: line = instance + "." + opener.collection; break;
        case On::Document: line = instance + "[" + call.document + "]"; break;
        }
        line += "." + call.member + " ";
        line += call.access == Access::Get ? "get" : call.access == Access::Put ? "put" : "method";
        line += " (";
        for (std::size_t i = 0; i < call.args.size(); ++i) line += (i ? ", " : "") + call.args[i].describe();
        line += ")";
        if (call.locale) line += " @" + std::to_string(*call.locale);
        if (call.notFound) line += " -> failed";
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace vorrindel::testing
