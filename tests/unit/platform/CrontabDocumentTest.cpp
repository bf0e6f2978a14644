// The crontab codec: task blocks among lines the program did not write. Values of any bytes
// round-trip through the marker line; every foreign line, malformed marker and unchanged block
// comes back byte for byte whatever is added, changed or removed around it.
#include "platform/taskscheduler/CrontabDocument.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform::taskscheduler;

namespace {

const std::string kDirectory = "it's $(touch /tmp/x) \"%d\" \\ back";

TaskBlock block(const std::string& name, std::vector<CronTrigger> triggers = {}) {
    return TaskBlock{name,
                     "Tallyvol",
                     "Space usage change greater than 5 K in " + kDirectory + ".",
                     "/usr/bin/tallyvol",
                     "/DIR=\"" + kDirectory + "\" /ALERTSIZE=5  /SAVE /PID=1",
                     {{"TALLYVOL_HOME", "/srv/tv home%"}},
                     std::move(triggers)};
}

std::vector<std::string> names(const CrontabDocument& document) {
    std::vector<std::string> result;
    for (const TaskBlock* task : document.Tasks()) {
        result.push_back(task->name);
    }
    return result;
}

} // namespace

TEST(CrontabDocument, AnyValueRoundTripsThroughTheMarkerLine) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    TaskBlock written = block("name with %25 and = and spaces",
                              {*CronTrigger::Daily(2, 30), CronTrigger::AtStartup()});
    written.comment = everyByte;
    written.creator = "TallyVOL";
    std::string text = CrontabDocument::BlockText(written);
    std::string marker = text.substr(0, text.find('\n'));
    EXPECT_EQ(marker.find_first_of(std::string("\t\r\x7f", 3)), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;

    CrontabDocument document(text);
    ASSERT_EQ(document.Tasks().size(), 1u);
    const TaskBlock& read = *document.Tasks()[0];
    EXPECT_EQ(read.name, written.name);
    EXPECT_EQ(read.creator, "TallyVOL");
    EXPECT_EQ(read.comment, everyByte);
    EXPECT_EQ(read.application, written.application);
    EXPECT_EQ(read.parameters, written.parameters);
    EXPECT_EQ(read.environment, written.environment);
    ASSERT_EQ(read.triggers.size(), 2u);
    EXPECT_EQ(read.triggers[0].Specification(), "30 2 * * *");
    EXPECT_EQ(read.triggers[1].Specification(), "@reboot");
    EXPECT_EQ(document.Text(), text);

    EXPECT_EQ(CrontabDocument::DecodeValue("a%2"), std::nullopt);
    EXPECT_EQ(CrontabDocument::DecodeValue("a%G0"), std::nullopt);
    EXPECT_EQ(CrontabDocument::DecodeValue("a\tb"), std::nullopt);
    EXPECT_EQ(CrontabDocument::DecodeValue("%2f%2F"), "//");
}

TEST(CrontabDocument, ForeignLinesAndMalformedBlocksAreLeftAloneAndNeverListed) {
    std::string good = CrontabDocument::BlockText(block("good.job", {*CronTrigger::Daily(2, 30)}));
    std::string marker = good.substr(0, good.find('\n'));
    std::string command = good.substr(good.find("* * * ") + 6);
    std::string foreign =
        "# m h dom mon dow command\n"
        "MAILTO=admin@example.org\n"
        "\n"
        "15 2 * * * /usr/local/bin/backup --all % with stdin\n"
        "# tallyvol-task v1 name=bad%G1.job creator=Tallyvol comment= application=/x parameters=\n"
        "0 1 * * * '/x'\n"
        "# tallyvol-task v1 name=nocreator.job comment= application=/x parameters=\n"
        "# tallyvol-task v2 name=future.job creator=Tallyvol comment= application=/x parameters= "
        "color=red\n"
        "# tallyvol-task v1 name=unknownkey.job creator=Tallyvol comment= application=/x "
        "parameters= x=1\n"
        "  # tallyvol-task v1 name=indented.job creator=Tallyvol comment= application=/x "
        "parameters=\n"
        "# tallyvol-task v1 name=crlf.job creator=Tallyvol comment= application=/x parameters=\r\n";
    // A second block of a name already seen, and a line whose command was edited by hand, are
    // not the program's; the hand-edited schedule with extra blanks still is.
    std::string duplicate = good;
    std::string edited = "30 3 * * * " + command.substr(0, command.size() - 1) + " /DEBUG=1\n";
    std::string rescheduled = "0   4\t* * 1 " + command;
    std::string text =
        foreign + good + rescheduled + edited + duplicate + "# last line without end";

    CrontabDocument document(text);
    EXPECT_EQ(names(document), std::vector<std::string>{"good.job"});
    ASSERT_EQ(document.Find("good.job")->triggers.size(), 2u);
    EXPECT_EQ(document.Find("good.job")->triggers[1].Specification(), "0 4 * * 1");
    EXPECT_EQ(document.Text(), text) << "nothing changed, nothing rewritten";

    // Changing, adding and removing blocks keeps every other byte where it was.
    document.FindForChange("good.job")->triggers = {*CronTrigger::Monthly(1, 5, 0)};
    document.Append(block("new.job"));
    std::string changed = document.Text();
    std::string expected = foreign + marker + "\n0 5 1 * * " + command + edited + duplicate +
                           "# last line without end\n" +
                           CrontabDocument::BlockText(block("new.job"));
    EXPECT_EQ(changed, expected);

    CrontabDocument reread(changed);
    EXPECT_EQ(names(reread), (std::vector<std::string>{"good.job", "new.job"}));
    EXPECT_TRUE(reread.Remove("good.job"));
    EXPECT_FALSE(reread.Remove("good.job"));
    EXPECT_FALSE(reread.Remove("bad%G1.job"));
    EXPECT_EQ(reread.Text(), foreign + edited + duplicate + "# last line without end\n" +
                                 CrontabDocument::BlockText(block("new.job")));
    EXPECT_EQ(names(CrontabDocument(reread.Text())),
              (std::vector<std::string>{"good.job", "new.job"}))
        << "the duplicate block, alone now, is a block again";
}

TEST(CrontabDocument, BlocksACrontabCannotHoldAreRefused) {
    TaskBlock unnamed = block("");
    EXPECT_EQ(CrontabDocument::CheckBlock(unnamed), "The task has no name.");
    TaskBlock broken = block("a\nb.job");
    EXPECT_NE(CrontabDocument::CheckBlock(broken).find("line break"), std::string::npos);
    broken = block("ok.job");
    broken.comment = "two\r\nlines";
    EXPECT_NE(CrontabDocument::CheckBlock(broken).find("line break"), std::string::npos);
    broken = block("ok.job");
    broken.parameters = "/DIR=\"a\nb\"";
    EXPECT_NE(CrontabDocument::CheckBlock(broken).find("line break"), std::string::npos);
    EXPECT_EQ(CrontabDocument::CheckBlock(block("ok.job")), "");
}
