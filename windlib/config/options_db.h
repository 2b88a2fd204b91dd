// The options database: a tree of named nodes with typed attributes (strings, 32-bit
// integers, string lists and, when allowed, integer lists) kept in a text file. Two written
// forms: nested blocks ("name {" / "    key = value" / "}") and, in compatibility mode, one
// dotted line per attribute ("name.key=value"); the reader takes both. Start with
// OptionsDb; the reader itself is options_db_reader.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Nodes nest at most this deep; the reader refuses deeper text.
enum { kOdbMaxDepth = 64 };

enum OdbValueType { kOdbString, kOdbInteger, kOdbStringList, kOdbIntegerList };

struct OdbValue {
    OdbValueType type = kOdbString;
    bool null = false; // a null string, written as ""
    std::string text;
    int32_t number = 0;
    std::vector<std::string> strings;
    std::vector<int32_t> numbers;

    static OdbValue String(const char* text); // null gives the null string
    static OdbValue Integer(int32_t number);
    bool operator==(const OdbValue& other) const;
    bool operator!=(const OdbValue& other) const { return !(*this == other); }
};

struct OdbAttribute {
    std::string key;
    OdbValue value;
};

class OdbNode {
public:
    explicit OdbNode(const std::string& name, OdbNode* parent = nullptr);
    OdbNode(const OdbNode&) = delete;
    OdbNode& operator=(const OdbNode&) = delete;

    const std::string& name() const { return name_; }
    OdbNode* parent() const { return parent_; }
    // Levels below the top node (the top node is 0).
    int depth() const;
    const std::vector<OdbAttribute>& attributes() const { return attributes_; }
    const std::vector<std::unique_ptr<OdbNode>>& children() const { return children_; }

    OdbNode* child(const std::string& name) const; // null when there is none
    OdbNode* addChild(const std::string& name);    // the existing child, or a new last one
    bool removeChild(const std::string& name);

    const OdbValue* value(const std::string& key) const; // null when there is none
    OdbValue* value(const std::string& key);
    // Replaces the attribute's value, or adds the attribute after the others.
    void set(const std::string& key, const OdbValue& value);
    void clear();

    // Same attributes and children, in the same order, with the same names and values (the
    // two nodes' own names may differ).
    bool sameTree(const OdbNode& other) const;

private:
    std::string name_;
    OdbNode* parent_;
    std::vector<OdbAttribute> attributes_;
    std::vector<std::unique_ptr<OdbNode>> children_;
};

class OptionsDb {
public:
    // Maps a file name before it is opened; returns a new gen_alloc text.
    typedef char* (*FileSearchFn)(const char* path);

    explicit OptionsDb(const char* name);
    OptionsDb(const OptionsDb&) = delete;
    OptionsDb& operator=(const OptionsDb&) = delete;

    const std::string& name() const { return name_; }
    OdbNode& top() { return top_; }
    const OdbNode& top() const { return top_; }

    // Compatibility mode: values that are not quoted stay strings when read, and the tree is
    // written one dotted line per attribute.
    void setCompatibilityMode(bool on) { compatibility_ = on; }
    bool compatibilityMode() const { return compatibility_; }
    // Lists of numbers are read as integer lists, and integers may be appended to.
    void setIntegerLists(bool on) { integerLists_ = on; }
    bool integerLists() const { return integerLists_; }
    // Numbers may carry a K (x 1024) or M (x 1048576) suffix.
    void setMemorySizes(bool on) { memorySizes_ = on; }
    bool memorySizes() const { return memorySizes_; }
    // After a parse error the rest of the line is skipped and reading goes on.
    void setContinueOnError(bool on) { continueOnError_ = on; }
    bool continueOnError() const { return continueOnError_; }

    // Adds what the text holds to the tree. Errors are reported as "<source>:<line>: parse
    // error: <what>"; false when there was one.
    bool readText(const char* text, const char* source);
    // False when the file cannot be read (without a message) or holds an error.
    bool readFile(const char* path);

    // The whole tree in the current form.
    std::string format() const;
    // Replaces the file with the whole tree: written to "<path>_XXXXXX", then renamed onto
    // the path, so the old file stays whole when anything fails; written in place only when
    // no temporary file can be made. False on failure.
    bool writeFile(const char* path) const;

    static void setFileSearchFunction(FileSearchFn search);

private:
    std::string name_;
    OdbNode top_;
    bool compatibility_ = false;
    bool integerLists_ = false;
    bool memorySizes_ = false;
    bool continueOnError_ = false;
};
