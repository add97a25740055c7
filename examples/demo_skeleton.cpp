// Writes the skeleton of the demo database: its words (each with an alias
// and a placeholder recording) and its phrases (each with a comment), read
// from a plain description. scripts/make-demo.sh then puts the real
// recordings in with `tembrel-tool import`, which finds each word's file by
// its alias.
//
//   demo_skeleton OUT.tbp < DESCRIPTION
//
// DESCRIPTION holds one line per word, then one per phrase:
//   word ALIAS
//   phrase ALIAS ALIAS ... | COMMENT
#include "db/operations.h"
#include "db/project.h"
#include "tests/unit/test_db.h"

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

struct Description {
    std::vector<std::string> aliases;
    std::vector<std::vector<int>> phrases;
    std::vector<std::string> comments;
};

// False (after naming the line) when a line is neither form or a phrase
// names a word not described before it.
bool read_description(std::istream& in, Description* d)
{
    std::map<std::string, int> numbers;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        std::istringstream fields(line.substr(0, line.find('|')));
        std::string kind;
        if (!(fields >> kind))
            continue;
        if (kind == "word") {
            std::string alias;
            fields >> alias;
            numbers[alias] = int(d->aliases.size());
            d->aliases.push_back(alias);
            continue;
        }
        std::size_t bar = line.find('|');
        if (kind != "phrase" || bar == std::string::npos) {
            std::fprintf(stderr, "line %d: neither 'word ALIAS' nor 'phrase ALIAS... | COMMENT'\n", n);
            return false;
        }
        std::vector<int> words;
        for (std::string alias; fields >> alias;) {
            auto found = numbers.find(alias);
            if (found == numbers.end()) {
                std::fprintf(stderr, "line %d: no word '%s'\n", n, alias.c_str());
                return false;
            }
            words.push_back(found->second);
        }
        d->phrases.push_back(words);
        d->comments.push_back(line.substr(line.find_first_not_of(' ', bar + 1)));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.tbp < DESCRIPTION\n", argv[0]);
        return 2;
    }
    Description d;
    if (!read_description(std::cin, &d))
        return 1;
    // Two bytes of silence per word until the import replaces them.
    std::vector<std::vector<std::uint8_t>> audio(d.aliases.size(), { 0x08, 0x80 });
    SpeechDbPtr db = make_db(DB_FORMAT_MODERN, audio, d.phrases, "ENG", 0x00);
    for (std::uint32_t w = 0; w < d.aliases.size(); ++w)
        if (!word_set_alias(db.get(), w, d.aliases[w].c_str())) {
            std::fprintf(stderr, "alias '%s' given twice\n", d.aliases[w].c_str());
            return 1;
        }
    for (std::uint32_t p = 0; p < d.comments.size(); ++p)
        phrase_set_comment(db.get(), p, d.comments[p].c_str());
    ErrorText err;
    if (!project_save(db.get(), argv[1], &err)) {
        std::fprintf(stderr, "%s\n", err.text);
        return 1;
    }
    return 0;
}
