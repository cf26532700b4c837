#include <gtest/gtest.h>

#include "cli/Script.h"

using namespace varnisk::cli;

using Words = std::vector<std::string>;

TEST(Script, WordsAreSeparatedByBlanksAndQuotesHoldBlanks) {
    EXPECT_EQ(splitWords("  type  LMDSlot2 \"ab cd\"\t"), (Words{"type", "LMDSlot2", "ab cd"}));
    EXPECT_EQ(splitWords("paste LMDEdit1 \"\""), (Words{"paste", "LMDEdit1", ""}));
    EXPECT_EQ(splitWords("answer open \"C:\\Games\\GP4\\GP4.exe\""), (Words{"answer", "open", "C:\\Games\\GP4\\GP4.exe"}));
    EXPECT_THROW(splitWords("type LMDSlot2 \"ab"), UsageError);
}

TEST(Script, OneCommandALineWithCommentsAndBlankLinesSkipped) {
    auto commands = readScript("# set up\n\nclick ImportButton\r\n  # indented comment\ndump out.json", "s.txt");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].words, (Words{"click", "ImportButton"}));
    EXPECT_EQ(commands[0].origin, "s.txt:3");
    EXPECT_EQ(commands[1].words, (Words{"dump", "out.json"}));
    EXPECT_THROW(readScript("click \"x\n", "s.txt"), UsageError);
}

TEST(Script, CommandLineWordsAreGroupedByTheirArguments) {
    auto commands = groupArguments({"type", "LMDEdit12", "40", "press", "LMDEdit12", "left", "10", "20", "dump",
                                    "move", "5", "6", "answer", "save", "a.car", "1", "answer", "cancel", "dump", "out.json"});
    std::vector<Words> words;
    for (auto& c : commands) words.push_back(c.words);
    EXPECT_EQ(words, (std::vector<Words>{{"type", "LMDEdit12", "40"},
                                         {"press", "LMDEdit12", "left", "10", "20"},
                                         {"dump"},
                                         {"move", "5", "6"},
                                         {"answer", "save", "a.car", "1"},
                                         {"answer", "cancel"},
                                         {"dump", "out.json"}}));
    EXPECT_THROW(groupArguments({"frobnicate"}), UsageError);
    EXPECT_THROW(groupArguments({"type", "LMDEdit12"}), UsageError);
    EXPECT_EQ(groupArguments({"dump", "move", "1", "2"}, 4)[1].origin, "argument 5");
}

// The arguments each command takes, as its usage writes them: one in
// brackets may be left out; answer's first argument says which it is.
TEST(Script, EachCommandTakesTheArgumentsItsUsageNames) {
    struct Case { std::string command; Words following; int min, max; };
    for (const Case& c : {Case{"import", {}, 0, 0}, Case{"click", {}, 1, 1}, Case{"press", {}, 4, 4},
                          Case{"dump", {}, 0, 1}, Case{"changes", {"c.json"}, 0, 1}, Case{"answer", {}, 1, 1},
                          Case{"answer", {"save"}, 3, 3}, Case{"answer", {"open"}, 2, 2}, Case{"answer", {"cancel"}, 1, 1},
                          Case{"answer", {"maybe"}, 1, 1}, Case{"frobnicate", {}, -1, -1}}) {
        const Arity arity = arityOf(c.command, c.following);
        EXPECT_EQ(arity.min, c.min) << c.command;
        EXPECT_EQ(arity.max, c.max) << c.command;
    }
}
