// Text-field logic that needs no display: setting and reading the value, the editing
// commands and their key bindings, auto-completion while typing, and the directory-name
// completion over a real directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "support/temp_dir.h"
#include "windlib/button/wtexteditkeys.h"
#include "windlib/button/wtextfield.h"
#include "windlib/config/config_tables.h"
#include "windlib/x11/xinlib.h"

namespace {

std::string Value(TextField* field) {
    char* v = field->getValue();
    std::string s = v;
    gen_free(v);
    return s;
}

// A key record as the window would deliver it.
int SendKey(TextField* field, int code, const char* text, long modifiers = 0) {
    static char buffer[64];
    snprintf(buffer, sizeof buffer, "%s", text);
    xinLibSt key = {};
    key.kind = kXinKey;
    key.c = modifiers;
    key.d = code;
    key.e = (long)buffer;
    key.f = (long)strlen(buffer);
    return field->EventParse(&key, field);
}

class TextFieldLogic : public ::testing::Test {
protected:
    void SetUp() override {
        field = tfCreate(nullptr, 0, 0, 200, 20, nullptr, "", -1, -1, nullptr);
        field->setActive(true);
    }
    void TearDown() override { gitemDelete(field); }
    TextField* field = nullptr;
};

TEST_F(TextFieldLogic, ReadOnlyFieldKeepsItsValueUnlessForced) {
    field->setValue("first", false, false);
    tfSetReadOnly(field, true);
    field->setValue("second", false, false);
    EXPECT_EQ(Value(field), "first");
    field->setValue("third", false, true);
    EXPECT_EQ(Value(field), "third");
    EXPECT_EQ(SendKey(field, 'x', "x"), 0); // typing is refused too
    EXPECT_EQ(Value(field), "third");
}

TEST_F(TextFieldLogic, SettingAValueResetsCaretSelectionAndOnlyMarksRealChanges) {
    field->setValue("abc", false, false);
    field->select(0, 1);
    field->flags &= ~kTfChanged;
    field->setValue("abc", false, false);
    EXPECT_FALSE(field->flags & kTfChanged);
    EXPECT_TRUE(field->hasSelection());
    field->setValue("abcdef", false, false);
    EXPECT_TRUE(field->flags & kTfChanged);
    EXPECT_EQ(field->caret, 6);
    EXPECT_FALSE(field->hasSelection());
    EXPECT_EQ(field->scroll, 0);
}

TEST_F(TextFieldLogic, GetValueTrimsWhenConfiguredAndAlwaysReturnsACopy) {
    field->setValue("  /opt/tools \t", false, false);
    char* first = field->getValue();
    char* second = field->getValue();
    EXPECT_STREQ(first, "  /opt/tools \t");
    EXPECT_NE(first, second);
    EXPECT_NE(first, field->value);
    tfSetTrim(field, true);
    EXPECT_EQ(Value(field), "/opt/tools");
    field->setValue("   ", false, false);
    EXPECT_EQ(Value(field), "");
    gen_free(first);
    gen_free(second);
}

TEST_F(TextFieldLogic, LongValuesGrowTheBuffer) {
    std::string longer(700, 'x');
    field->setValue(longer.c_str(), false, false);
    EXPECT_EQ(Value(field), longer);
    EXPECT_EQ(field->allocated, 700 + 256);
    field->moveCaret(350, false);
    field->insert("yy", 2);
    EXPECT_EQ(Value(field), std::string(350, 'x') + "yy" + std::string(350, 'x'));
}

TEST_F(TextFieldLogic, EditingKeysMoveSelectAndDelete) {
    field->setValue("one two three", false, false);
    EXPECT_EQ(SendKey(field, kKeyLeft, "", kModControl), 1);
    EXPECT_EQ(field->caret, 8);
    SendKey(field, kKeyLeft, "", kModControl | kModShift);
    EXPECT_EQ(field->selStart, 4);
    EXPECT_EQ(field->selEnd, 8);
    SendKey(field, kKeyBackSpace, "\b");
    EXPECT_EQ(Value(field), "one three");
    SendKey(field, kKeyHome, "");
    SendKey(field, kKeyDelete, "\x7f");
    EXPECT_EQ(Value(field), "ne three");
    SendKey(field, 'e', "\x05", kModControl); // to the end
    SendKey(field, 'w', "\x17", kModControl); // a word back
    EXPECT_EQ(Value(field), "ne ");
    SendKey(field, 'a', "\x01", kModControl);
    SendKey(field, 'x', "X");
    EXPECT_EQ(Value(field), "X");
    // Control+Shift+Q quotes the next key, so a control character goes in literally.
    SendKey(field, 'Q', "\x11", kModControl | kModShift);
    SendKey(field, kKeyTab, "\t");
    EXPECT_EQ(Value(field), "X\t");
}

TEST(TextEditKeys, ShiftMattersOnlyWhereABindingNamesIt) {
    EXPECT_EQ(TfLookupEditKey('A', kModControl | kModShift), kTfEditSelectAll);
    EXPECT_EQ(TfLookupEditKey(kKeyLeft, kModShift), kTfEditExtendLeft);
    EXPECT_EQ(TfLookupEditKey('q', kModControl), kTfEditNone); // left for the window
    EXPECT_FALSE(TfIsEditKey('a', 0, "a", 1));
    EXPECT_TRUE(TfIsEditKey(kKeyLeft, 0, "", 0));
}

// Proposes "ernative" after "alt", like a dictionary of one word.
char* ProposeAlternative(TextField* field) {
    std::string typed(field->value, (size_t)field->caret);
    const std::string word = "alternative";
    if (typed.empty() || word.compare(0, typed.size(), typed) != 0 || typed == word) return nullptr;
    return gen_copy(word.c_str() + typed.size());
}

TEST_F(TextFieldLogic, CompletionIsShownSelectedAndKeptWhileTypingAgrees) {
    cfg_autocomplete = 1;
    tfSetAutoCompleteFunction(field, ProposeAlternative);
    field->typeText("al", 2);
    EXPECT_EQ(Value(field), "alternative");
    EXPECT_TRUE(field->completionPending());
    EXPECT_EQ(field->caret, 2);
    EXPECT_EQ(field->selStart, 2);
    EXPECT_EQ(field->selEnd, 11);
    char* typed = field->getTypedValue();
    EXPECT_STREQ(typed, "al");
    gen_free(typed);

    field->typeText("te", 2); // agrees: the proposal stays
    EXPECT_EQ(Value(field), "alternative");
    EXPECT_EQ(field->selStart, 4);

    field->typeText("x", 1); // disagrees: the proposal goes
    EXPECT_EQ(Value(field), "altex");
    EXPECT_FALSE(field->completionPending());

    field->setValue("", false, false);
    field->typeText("a", 1);
    EXPECT_EQ(SendKey(field, kKeyReturn, "\r"), 0); // accepted, then left to the window
    EXPECT_EQ(Value(field), "alternative");
    EXPECT_EQ(field->caret, 11);
    EXPECT_FALSE(field->hasSelection());
}

class DirectoryCompletion : public TextFieldLogic {
protected:
    void SetUp() override {
        TextFieldLogic::SetUp();
        mkdir((dir / "beta").c_str(), 0755);
        mkdir((dir / "alpha").c_str(), 0755);
        mkdir((dir / "alphabet").c_str(), 0755);
        mkdir((dir / ".hidden").c_str(), 0755);
        WriteFile(dir / "also_a_file", "");
    }
    std::string Propose(const std::string& typed) {
        field->setValue(typed.c_str(), false, false);
        char* rest = tf_AutoCompleteDir(field);
        std::string s = rest ? rest : "<none>";
        gen_free(rest);
        return s;
    }
    ScopedTempDir dir;
};

TEST_F(DirectoryCompletion, ProposesTheRestOfTheFirstMatchingDirectory) {
    EXPECT_EQ(Propose(dir / "al"), "pha");
    EXPECT_EQ(Propose(dir / "alpha"), "bet"); // the exact name itself has nothing to add
    EXPECT_EQ(Propose(dir / "b"), "eta");
    EXPECT_EQ(Propose(dir / "also"), "<none>"); // files are not proposed
    EXPECT_EQ(Propose(dir.path() + "/"), "<none>");
    EXPECT_EQ(Propose(dir / "h"), "<none>");
    EXPECT_EQ(Propose(dir / ".h"), "idden");
    EXPECT_EQ(Propose(dir / "nothing/al"), "<none>");
}

} // namespace
