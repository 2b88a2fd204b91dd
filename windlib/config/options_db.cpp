// The options database's tree, its two written forms and the file it lives in (see
// options_db.h). writeFile is the part that matters most: a settings file is rewritten at
// every exit, and a crash or a full disk in the middle must never leave half a file.
#include "windlib/config/options_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "shared/gen_fileio.h"
#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "windlib/config/options_db_reader.h"

namespace {

OptionsDb::FileSearchFn fileSearch;

// The path after the file-search function, or a copy.
std::string SearchedPath(const char* path) {
    if (!fileSearch) return path;
    char* found = fileSearch(path);
    std::string result = found ? found : path;
    gen_free(found);
    return result;
}

std::string Quoted(const std::string& text) {
    char* quoted = gen_quotify_string(text.c_str());
    std::string result = quoted ? quoted : "\"\"";
    gen_free(quoted);
    return result;
}

std::string FormatValue(const OdbValue& value, bool compatibility) {
    switch (value.type) {
    case kOdbString:
        return value.null ? "\"\"" : Quoted(value.text);
    case kOdbInteger:
        return std::to_string(value.number);
    case kOdbStringList:
    case kOdbIntegerList:
        break;
    }
    if (compatibility) return "...";
    std::string list = "{ ";
    size_t count = value.type == kOdbStringList ? value.strings.size() : value.numbers.size();
    for (size_t i = 0; i < count; ++i) {
        if (i) list += ", ";
        list += value.type == kOdbStringList ? Quoted(value.strings[i])
                                             : std::to_string(value.numbers[i]);
    }
    return list + " }";
}

void FormatBlock(const OdbNode& node, int level, std::string* out) {
    std::string indent(4 * level, ' ');
    for (const OdbAttribute& attribute : node.attributes())
        *out += indent + attribute.key + " = " + FormatValue(attribute.value, false) + "\n";
    for (const auto& child : node.children()) {
        *out += indent + child->name() + " {\n";
        FormatBlock(*child, level + 1, out);
        *out += indent + "}\n";
    }
}

void FormatLines(const OdbNode& node, const std::string& prefix, std::string* out) {
    for (const OdbAttribute& attribute : node.attributes())
        *out += prefix + attribute.key + "=" + FormatValue(attribute.value, true) + "\n";
    for (const auto& child : node.children())
        FormatLines(*child, prefix + child->name() + ".", out);
}

// The mode a new settings file gets: the old file's, else what the umask allows.
mode_t FileMode(const char* path) {
    struct stat st;
    if (stat(path, &st) == 0) return st.st_mode & 07777;
    mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteInPlace(const char* path, const std::string& text) {
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    bool ok = gen_write_all(fd, text.data(), text.size());
    return close(fd) == 0 && ok;
}

} // namespace

OdbValue OdbValue::String(const char* text) {
    OdbValue value;
    value.null = text == nullptr;
    if (text) value.text = text;
    return value;
}

OdbValue OdbValue::Integer(int32_t number) {
    OdbValue value;
    value.type = kOdbInteger;
    value.number = number;
    return value;
}

bool OdbValue::operator==(const OdbValue& other) const {
    if (type != other.type) return false;
    switch (type) {
    case kOdbString:
        return null == other.null && text == other.text;
    case kOdbInteger:
        return number == other.number;
    case kOdbStringList:
        return strings == other.strings;
    case kOdbIntegerList:
        return numbers == other.numbers;
    }
    return false;
}

OdbNode::OdbNode(const std::string& name, OdbNode* parent) : name_(name), parent_(parent) {}

int OdbNode::depth() const {
    int levels = 0;
    for (const OdbNode* node = parent_; node; node = node->parent_) ++levels;
    return levels;
}

OdbNode* OdbNode::child(const std::string& name) const {
    for (const auto& child : children_) {
        if (child->name_ == name) return child.get();
    }
    return nullptr;
}

OdbNode* OdbNode::addChild(const std::string& name) {
    if (OdbNode* existing = child(name)) return existing;
    children_.push_back(std::unique_ptr<OdbNode>(new OdbNode(name, this)));
    return children_.back().get();
}

bool OdbNode::removeChild(const std::string& name) {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if ((*it)->name_ == name) {
            children_.erase(it);
            return true;
        }
    }
    return false;
}

const OdbValue* OdbNode::value(const std::string& key) const {
    for (const OdbAttribute& attribute : attributes_) {
        if (attribute.key == key) return &attribute.value;
    }
    return nullptr;
}

OdbValue* OdbNode::value(const std::string& key) {
    return const_cast<OdbValue*>(static_cast<const OdbNode*>(this)->value(key));
}

void OdbNode::set(const std::string& key, const OdbValue& value) {
    if (OdbValue* existing = this->value(key))
        *existing = value;
    else
        attributes_.push_back(OdbAttribute{key, value});
}

void OdbNode::clear() {
    attributes_.clear();
    children_.clear();
}

bool OdbNode::sameTree(const OdbNode& other) const {
    if (attributes_.size() != other.attributes_.size() ||
        children_.size() != other.children_.size())
        return false;
    for (size_t i = 0; i < attributes_.size(); ++i) {
        if (attributes_[i].key != other.attributes_[i].key ||
            attributes_[i].value != other.attributes_[i].value)
            return false;
    }
    for (size_t i = 0; i < children_.size(); ++i) {
        const OdbNode& mine = *children_[i];
        const OdbNode& theirs = *other.children_[i];
        if (mine.name_ != theirs.name_ || !mine.sameTree(theirs)) return false;
    }
    return true;
}

OptionsDb::OptionsDb(const char* name) : name_(name ? name : ""), top_(name_) {}

void OptionsDb::setFileSearchFunction(FileSearchFn search) {
    fileSearch = search;
}

bool OptionsDb::readText(const char* text, const char* source) {
    return OdbReadText(*this, text ? text : "", source ? source : name_.c_str());
}

bool OptionsDb::readFile(const char* path) {
    std::string file = SearchedPath(path);
    FILE* stream = fopen(file.c_str(), "r");
    if (!stream) return false;
    std::string text;
    char buffer[8192];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, got);
    bool failed = ferror(stream) != 0;
    fclose(stream);
    if (failed) return false;
    return readText(text.c_str(), file.c_str());
}

std::string OptionsDb::format() const {
    std::string text;
    if (compatibility_)
        FormatLines(top_, "", &text);
    else
        FormatBlock(top_, 0, &text);
    return text;
}

bool OptionsDb::writeFile(const char* path) const {
    std::string file = SearchedPath(path);
    std::string text = format();
    std::string temporary = file + "_XXXXXX";
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) return WriteInPlace(file.c_str(), text);

    bool ok = fchmod(fd, FileMode(file.c_str())) == 0 &&
              gen_write_all(fd, text.data(), text.size()) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}
