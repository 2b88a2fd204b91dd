// The options database: both written forms, the value rules of the reader and its errors.
#include <gtest/gtest.h>

#include <string>

#include "config_test_support.h"
#include "windlib/config/options_db.h"

namespace {

int32_t IntAt(const OdbNode& node, const char* key) {
    const OdbValue* value = node.value(key);
    EXPECT_NE(value, nullptr) << key;
    if (!value) return -999;
    EXPECT_EQ(value->type, kOdbInteger) << key;
    return value->number;
}

std::string TextAt(const OdbNode& node, const char* key) {
    const OdbValue* value = node.value(key);
    EXPECT_NE(value, nullptr) << key;
    if (!value) return "(none)";
    EXPECT_EQ(value->type, kOdbString) << key;
    return value->text;
}

// A tree with every kind of value, two levels deep.
void Fill(OptionsDb& db) {
    OdbNode& top = db.top();
    top.set("version", OdbValue::Integer(3));
    OdbNode* window = top.addChild("Windows")->addChild("first");
    window->set("abs_x", OdbValue::Integer(-10));
    window->set("title", OdbValue::String("say \"hi\" it's C:\\"));
    window->set("empty", OdbValue::String(""));
    OdbValue list;
    list.type = kOdbStringList;
    list.strings = {"a", "b c"};
    top.child("Windows")->set("names", list);
}

} // namespace

TEST(OptionsDb, WritesBlocksAndDottedLines) {
    OptionsDb db("test");
    Fill(db);
    EXPECT_EQ(db.format(), "version = 3\n"
                           "Windows {\n"
                           "    names = { \"a\", \"b c\" }\n"
                           "    first {\n"
                           "        abs_x = -10\n"
                           "        title = \"say \\\"hi\\\" it\\'s C:\\\\\"\n"
                           "        empty = \"\"\n"
                           "    }\n"
                           "}\n");
    db.setCompatibilityMode(true);
    EXPECT_EQ(db.format(), "version=3\n"
                           "Windows.names=...\n"
                           "Windows.first.abs_x=-10\n"
                           "Windows.first.title=\"say \\\"hi\\\" it\\'s C:\\\\\"\n"
                           "Windows.first.empty=\"\"\n");
}

TEST(OptionsDb, BothFormsReadBackToTheSameTree) {
    OptionsDb original("original");
    Fill(original);
    OptionsDb fromBlocks("blocks");
    ASSERT_TRUE(fromBlocks.readText(original.format().c_str(), "blocks"));
    EXPECT_TRUE(fromBlocks.top().sameTree(original.top()));

    original.top().child("Windows")->set("names", OdbValue::String("plain"));
    original.setCompatibilityMode(true);
    OptionsDb fromLines("lines");
    ASSERT_TRUE(fromLines.readText(original.format().c_str(), "lines"));
    EXPECT_TRUE(fromLines.top().sameTree(original.top()));
}

TEST(OptionsDb, DotsBracesSemicolonsAndAppending) {
    OptionsDb db("test");
    ASSERT_TRUE(db.readText("a.b.x = 1; y = 2\n"
                            "z = 3 # comment\n"
                            "a { b { w = 4 } v = \"s\" }\n"
                            "a.v += \"t\"\n"
                            "a.list = { \"p\", q }\n"
                            "a.list += \"r\"\n",
                            "src"));
    const OdbNode* b = db.top().child("a")->child("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(IntAt(*b, "x"), 1);
    EXPECT_EQ(IntAt(*b, "y"), 2) << "a dotted prefix holds for the rest of its line";
    EXPECT_EQ(IntAt(db.top(), "z"), 3);
    EXPECT_EQ(IntAt(*b, "w"), 4);
    EXPECT_EQ(TextAt(*db.top().child("a"), "v"), "st");
    const OdbValue* list = db.top().child("a")->value("list");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->strings, (std::vector<std::string>{"p", "q", "r"}));
}

TEST(OptionsDb, ValueWordsNumbersAndModes) {
    OptionsDb db("test");
    ASSERT_TRUE(db.readText("y = Yes\non = ON\nt = true\nn = no\nf = off\nff = FALSE\n"
                            "hex = 0x1F\noct = 017\nneg = -42\nword = hello\nbig = 4K\n",
                            "src"));
    const OdbNode& top = db.top();
    EXPECT_EQ(IntAt(top, "y") + IntAt(top, "on") + IntAt(top, "t"), 3);
    EXPECT_EQ(IntAt(top, "n") + IntAt(top, "f") + IntAt(top, "ff"), 0);
    EXPECT_EQ(IntAt(top, "hex"), 31);
    EXPECT_EQ(IntAt(top, "oct"), 15);
    EXPECT_EQ(IntAt(top, "neg"), -42);
    EXPECT_EQ(TextAt(top, "word"), "hello");
    EXPECT_EQ(TextAt(top, "big"), "4K") << "units only in memory-size mode";

    OptionsDb sizes("sizes");
    sizes.setMemorySizes(true);
    sizes.setIntegerLists(true);
    ASSERT_TRUE(sizes.readText("k = 4K\nm = 2m\nl = { 1, 0x10 }\nl += 3\n", "src"));
    EXPECT_EQ(IntAt(sizes.top(), "k"), 4096);
    EXPECT_EQ(IntAt(sizes.top(), "m"), 2097152);
    EXPECT_EQ(sizes.top().value("l")->numbers, (std::vector<int32_t>{1, 16, 3}));

    OptionsDb compatible("compat");
    compatible.setCompatibilityMode(true);
    ASSERT_TRUE(compatible.readText("a.n=12\na.s=\"q\"\n", "src"));
    EXPECT_EQ(TextAt(*compatible.top().child("a"), "n"), "12") << "bare tokens stay text";
    EXPECT_EQ(TextAt(*compatible.top().child("a"), "s"), "q");
}

TEST(OptionsDb, ParseErrorsNameTheirPlace) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"a = 1\nb -x\n", "src:2: parse error: unknown operator sequence \"-x\" \n"},
        {"a = 1\nname", "src:2: parse error: unexpected end of file\n"},
        {"name\nb = 2\n", "src:1: parse error: unexpected end of line\n"},
        {"= 5\n", "src:1: parse error: empty attribute name\n"},
        {"a =\n", "src:1: parse error: empty attribute value\n"},
        {"a = { 1 2 }\n", "src:1: parse error: expected '}'\n"},
        {"a { b = 1\n", "src:2: parse error: expected '}'\n"},
        {"a = \"open\n", "src:2: parse error: unexpected end of file\n"},
    };
    for (const Case& c : cases) {
        MessageRecorder messages;
        OptionsDb db("test");
        EXPECT_FALSE(db.readText(c.text, "src")) << c.text;
        EXPECT_EQ(messages.text(), c.message) << c.text;
    }
}

TEST(OptionsDb, StopsAtTheFirstErrorUnlessToldToGoOn) {
    MessageRecorder messages;
    const char* text = "a = 1\nb ?? 2\nc = 3\n";
    OptionsDb strict("strict");
    EXPECT_FALSE(strict.readText(text, "src"));
    EXPECT_EQ(strict.top().value("c"), nullptr);

    OptionsDb lenient("lenient");
    lenient.setContinueOnError(true);
    EXPECT_FALSE(lenient.readText(text, "src"));
    EXPECT_EQ(IntAt(lenient.top(), "c"), 3);
    EXPECT_EQ(messages.errors(), 2);
}

TEST(OptionsDb, HostileNestingIsRefusedNotFollowed) {
    MessageRecorder messages;
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "a{";
    OptionsDb blocks("blocks");
    EXPECT_FALSE(blocks.readText(deep.c_str(), "src"));
    std::string dotted;
    for (int i = 0; i < 100000; ++i) dotted += "a.";
    OptionsDb dots("dots");
    EXPECT_FALSE(dots.readText((dotted + "x=1\n").c_str(), "src"));
    EXPECT_EQ(messages.text(), "src:1: parse error: nodes nested too deeply\n"
                               "src:1: parse error: nodes nested too deeply\n");
}
