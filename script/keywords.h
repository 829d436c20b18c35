#pragma once
#include "timeline/scene.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The keywords of the timed commands, one row each: the name, the values it
// takes, whether an optional "to" part follows them, and the fields of the
// scene record it fills. The interpreter (parse.cpp) and --check (check.cpp)
// both read commands by walking these rows, and the spelling suggestions
// offer their names. A new keyword is one row in keywords.cpp.

// What follows a keyword.
enum class Values {
    None,     // nothing: the keyword is a switch
    Integers, // `count` integers (1 or 2) into `integers`
    Length,   // one integer of milliseconds into integers[0]; integers[1] = startTime + it
    Reals,    // `count` reals into `start`; after "to", as many into `end`
    Object,   // a picture (which also sets width and height), a model or a number into
              // integers[0]; after "to", one more into integers[1]
    Mask,     // a picture or a number into integers[0]; after "to", into integers[1]
    Choice,   // one of the words of `choices` into integers[0]: its index
    End,      // ends the show; nothing after it is read
};

// A field and the value a command starts from when it does not give the
// keyword that sets it.
struct Unset {
    int32_t CScene::*field = nullptr;
    int32_t value = 0;
};

struct Keyword {
    const char* name;
    Values values;
    int count;                            // values before the optional "to" part
    bool CScene::*on;                     // set by the keyword (null: none)
    bool CScene::*interp;                 // set when "to" follows (null: the keyword has no "to" part)
    int32_t CScene::*integers[2];         // Integers, Length, Object and Mask: where the values go
    float* (*start)(CScene&);             // Reals: the first values
    float* (*end)(CScene&);               // Reals: the values after "to"
    int32_t CScene::*rearm;               // set to -1 before the values (a sync record is armed afresh)
    Unset unset[2];                       // before each command: these fields, and `on` and `interp` false
    const char* what;                     // the values in words, for --check's messages
    const char* example;                  // a correct use, for --check's messages
    const char* const* choices = nullptr; // Choice: the words
    int choiceCount = 0;                  // how many

    bool hasTo() const { return interp != nullptr; }
    // Whether the keyword fills this field of the record.
    bool fills(int32_t CScene::*field) const { return integers[0] == field; }
};

// The row of a keyword, matched as a whole word, case-sensitively; null for
// any other word.
const Keyword* findKeyword(std::string_view word);

// Every keyword's name, in the order of the rows.
const std::vector<std::string>& keywordNames();

// Every row, in order.
struct KeywordRows {
    const Keyword* first;
    const Keyword* last;
    const Keyword* begin() const { return first; }
    const Keyword* end() const { return last; }
};
KeywordRows keywords();
