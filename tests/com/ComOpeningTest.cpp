// The openers end to end through COM: a click on a file reaches the test office as the openers'
// calls, typed as the Office applications expect them.

#include <algorithm>
#include <cctype>

#include "ComFixture.h"
#include "FakePicker.h"
#include "OpenerCalls.h"
#include "opening/OpenRequest.h"

namespace vorrindel::testing {
namespace {

using Log = std::vector<std::string>;

// The test office's key of a document type's application: "excel".
std::string keyOf(const std::string& type) {
    std::string key = type;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

class ComOpening : public ComFixture {
protected:
    FakePicker picker;
    std::optional<opening::OpenRequest> request{std::in_place, *backend, picker};
    std::optional<std::string> outcome;

    ~ComOpening() override { request.reset(); }  // the global objects go before the backend

    Log click(const std::string& type, const std::string& file, int check = 0) {
        // Every Access request creates an Access of its own; the others attach to the one running.
        const std::string app = keyOf(type);
        if (app == "access" || office::runningInstances(app) == 0) start(app);
        picker.type = type;
        picker.dir = folder.path();
        picker.file = file;
        picker.check = check;
        log.take();
        outcome = request->File1_Click();
        return log.take();
    }
};

// A value as the test office logs the VARIANT it received.
std::string inVariantWords(const automation::Value& value) {
    if (value.isBool()) return "bool(" + std::to_string(value.asBool()) + ")";
    if (value.isInteger()) return "i4(" + std::to_string(value.asInteger()) + ")";
    return value.describe();  // text quoted, <omitted>
}

// The calls as the test office logs them. It sees no global object handed out: a global reaches
// the running application, which logs as any other.
Log inTestOfficeWords(const OpenerCalls& opener, const Calls& calls) {
    using On = Call::On;
    const std::string key = keyOf(opener.type);
    Log lines;
    for (const Call& call : calls) {
        const std::string instance = key + "#" + std::to_string(call.instance);
        if (call.kind == Call::Kind::Global) continue;
        if (call.kind == Call::Kind::Create) {
            lines.push_back(instance + " create");
            continue;
        }
        std::string line = instance + " ";
        switch (call.on) {
        case On::Global:
        case On::Application: line += "Application"; break;
        case On::Collection: line += opener.collection; break;
        case On::Document: line += opener.document + "[" + call.document + "]"; break;
        }
        line += "." + call.member + " ";
        line += call.access == automation::Access::Get ? "method|get" : call.access == automation::Access::Put ? "put" : "method";
        line += " (";
        for (std::size_t i = 0; i < call.args.size(); ++i) line += (i ? ", " : "") + inVariantWords(call.args[i]);
        line += ") @" + std::to_string(call.locale.value_or(LOCALE_USER_DEFAULT));
        if (call.notFound) line += " -> 0x8002000B";  // DISP_E_BADINDEX
        lines.push_back(std::move(line));
    }
    return lines;
}

bool hasBlock(const Log& log, const Log& block) {
    return std::search(log.begin(), log.end(), block.begin(), block.end()) != log.end();
}

class OpenersThroughCom : public ComOpening, public ::testing::WithParamInterface<std::string> {};

TEST_P(OpenersThroughCom, FirstOpenThenTheNextClosesThePrevious) {
    const std::vector<OpenerCalls> table = openerCalls(folder.path());
    const OpenerCalls& c = openerCallsOf(table, GetParam());
    folder.file(c.first);
    folder.file(c.second);
    EXPECT_EQ(click(c.type, c.first), inTestOfficeWords(c, c.firstOpen));
    EXPECT_EQ(outcome, std::nullopt);

    const Log second = click(c.type, c.second);
    EXPECT_TRUE(hasBlock(second, inTestOfficeWords(c, c.closeFirst))) << ::testing::PrintToString(second);
    EXPECT_EQ(outcome, std::nullopt);
    EXPECT_EQ(picker.shown, 2);
    // One instance runs afterwards: for Access, the first quit by the second request.
    EXPECT_EQ(office::runningInstances(keyOf(c.type)), 1);
}

INSTANTIATE_TEST_SUITE_P(Com, OpenersThroughCom, ::testing::Values("Excel", "Word", "PowerPoint", "Access"),
                         [](const auto& info) { return info.param; });

TEST_F(ComOpening, TheOfficesOwnWordsForAFileItCannotOpenReachTheReport) {
    const std::string path = folder.file("broken.ppt");
    click("PowerPoint", "broken.ppt");
    EXPECT_EQ(outcome, "PowerPoint: cannot open \"" + path + "\": The file '" + path + "' is damaged and cannot be opened.");
}

}  // namespace
}  // namespace vorrindel::testing
