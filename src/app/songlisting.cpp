#include "app/songlisting.h"

#include <QFile>
#include <algorithm>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace ostrane::app {

namespace {

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Compared from the end, where names differ first.
bool endsWithLetters(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size())
        return false;
    const char* n = name.data() + name.size();
    for (auto e = ending.rbegin(); e != ending.rend(); ++e)
        if (foldAscii(*--n) != foldAscii(*e))
            return false;
    return true;
}

// One character of UTF-8 and its length in bytes; nothing for a malformed one.
std::optional<std::pair<char32_t, std::size_t>> decodeUtf8(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return std::pair{code, length};
}

void appendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (code >> 6)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (code >> 12)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (code >> 18)));
        text.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// "*" and "?" over UTF-8, "?" taking one whole character.
bool wildcardMatches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            ++n;
            while (n < name.size() && isContinuationByte(name[n]))
                ++n;
        } else if (p < pattern.size() && foldAscii(pattern[p]) == foldAscii(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool isFile(int folder, const dirent& entry) {
    switch (entry.d_type) {
    case DT_REG:
        return true;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat target {};
        // Follows links: a link to a file counts as the file, a broken link as nothing.
        return fstatat(folder, entry.d_name, &target, 0) == 0 && S_ISREG(target.st_mode);
    }
    default:
        return false;
    }
}

// Names and their order keys, the keys side by side in one buffer so that a long list
// costs one allocation for all of them.
class SortableNames {
public:
    void add(std::string_view utf8Name, QString name) {
        const auto start = static_cast<std::uint32_t>(keys_.size());
        appendNaturalOrderKey(keys_, utf8Name);
        entries_.push_back(
            {start, static_cast<std::uint32_t>(keys_.size()) - start, names_.size()});
        names_.append(std::move(name));
    }

    // By key; names with the same key by their own text, so that the order never depends on
    // the folder's.
    QStringList sorted() {
        std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
            if (const int order = key(a).compare(key(b)); order != 0)
                return order < 0;
            return names_[a.name] < names_[b.name];
        });
        QStringList names;
        names.reserve(names_.size());
        for (const Entry& entry : entries_)
            names.append(std::move(names_[entry.name]));
        return names;
    }

private:
    struct Entry {
        std::uint32_t keyStart;
        std::uint32_t keyLength;
        qsizetype name;
    };
    std::string_view key(const Entry& entry) const {
        return std::string_view(keys_).substr(entry.keyStart, entry.keyLength);
    }

    std::string keys_;
    std::vector<Entry> entries_;
    QStringList names_;
};

} // namespace

FilePattern::FilePattern(std::string_view patterns) {
    while (!patterns.empty()) {
        const auto end = patterns.find(';');
        const std::string_view text = patterns.substr(0, end);
        if (!text.empty()) {
            const bool isSuffix =
                text.starts_with('*') && text.find_first_of("*?", 1) == std::string_view::npos;
            wildcards_.push_back({std::string(isSuffix ? text.substr(1) : text), isSuffix});
        }
        patterns = end == std::string_view::npos ? std::string_view() : patterns.substr(end + 1);
    }
}

bool FilePattern::matches(std::string_view name) const {
    return std::any_of(wildcards_.begin(), wildcards_.end(), [&](const Wildcard& wildcard) {
        if (wildcard.isSuffix)
            return endsWithLetters(name, wildcard.text);
        return wildcardMatches(wildcard.text, name);
    });
}

std::string naturalOrderKey(std::string_view name) {
    std::string key;
    appendNaturalOrderKey(key, name);
    return key;
}

void appendNaturalOrderKey(std::string& key, std::string_view name) {
    // A run of digits becomes "0", its length without leading zeros in two bytes, then
    // those digits: a shorter number sorts first, numbers of one length by their digits.
    // Keys are UTF-8, whose bytes sort as the characters do.
    std::size_t i = 0;
    while (i < name.size()) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (isDigit(name[i])) {
            while (i < name.size() && name[i] == '0')
                ++i;
            const std::size_t digits = i;
            while (i < name.size() && isDigit(name[i]))
                ++i;
            const std::size_t length = std::min<std::size_t>(i - digits, 0xFFFF);
            key.push_back('0');
            key.push_back(static_cast<char>(length >> 8));
            key.push_back(static_cast<char>(length & 0xFF));
            key.append(name.substr(digits, length));
        } else if (c < 0x80) {
            key.push_back(foldAscii(name[i++]));
        } else if (const auto decoded = decodeUtf8(name.substr(i))) {
            appendUtf8(key, QChar::toCaseFolded(decoded->first));
            i += decoded->second;
        } else {
            key.push_back(name[i++]); // not UTF-8: the byte as it is
        }
    }
}

void sortNaturally(QStringList& names) {
    SortableNames sortable;
    for (QString& name : names) {
        const QByteArray utf8 = name.toUtf8();
        sortable.add(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                     std::move(name));
    }
    names = sortable.sorted();
}

std::optional<QStringList> listFiles(const QString& folder, const FilePattern& pattern) {
    const std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(folder).constData()));
    if (!dir)
        return std::nullopt;
    const int fd = dirfd(dir.get());
    SortableNames names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name.starts_with('.') || !pattern.matches(name) || !isFile(fd, *entry))
            continue;
        names.add(name, QFile::decodeName(entry->d_name));
    }
    return names.sorted();
}

} // namespace ostrane::app
