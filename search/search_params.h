#pragma once
// The settings record of one search, shared by its owner (a search window,
// the headless driver) and its worker thread, and the encodings of its
// fields: what is searched, which items qualify, how words combine.
//
// The owner fills what, type, mode, comparison, invisibles and
// packageContents before a search starts; SearchEngine prepares the rest.
// While a search runs only the atomics are touched by both sides: the worker
// counts nDone, the owner writes nLastDone and sets stop.
//
// Not here: running a search (search/search_engine.h) and matching one
// string against it (search/content_matching.h).

#include "platform/regular_expression.h"
#include "search/query_terms.h"

#include <QList>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <optional>

namespace sorvant {

class ResultsDataSource;

// How the words of a phrase combine.
enum SearchMode : std::uint64_t {
    kSearchAllWords = 0,
    kSearchAnyWord = 1,
    kSearchPhrase = 2,
    kSearchWildcards = 3,
    kSearchQueryTerms = 4,
    kSearchRegularExpression = 5,
};

// What is searched, a bit set.
enum SearchWhat : std::uint64_t {
    kSearchNames = 1,
    kSearchContents = 2,
    kSearchTags = 4,
    kSearchComments = 8,
};

// Which items qualify (packages count as files).
enum SearchType : std::uint64_t {
    kSearchFiles = 1,
    kSearchFolders = 2,
    kSearchFilesAndFolders = 3,
};

// The pseudo-destinations of a search.
inline constexpr const char16_t* kAllVolumesDestination = u".#All#.";
inline constexpr const char16_t* kLocalVolumesDestination = u".#Local#.";
inline constexpr const char16_t* kRemovableVolumesDestination = u".#Removable#.";

struct SearchParams
{
    // Content-search extensions in upper case ("TXT"), in preference order.
    QStringList extensions;
    // The search words (the whole phrase in modes 2 to 5).
    QStringList words;
    // The phrase in mode 3; null otherwise.
    QString wildcard;
    // The parsed phrase in mode 4; empty otherwise and when it does not parse.
    std::optional<QueryTerms> queryTerms;
    // The compiled phrase in mode 5; invalid otherwise and for a bad pattern.
    RegularExpression regex;
    // Type codes from the preference lists ("'TEXT'"). Linux files carry no
    // type codes, so these only count towards "something to content-search".
    QList<std::uint32_t> types;

    // The counts of the lists, always in step with them.
    [[nodiscard]] std::uint64_t extensionsCount() const { return std::uint64_t(extensions.size()); }
    [[nodiscard]] std::uint64_t wordsCount() const { return std::uint64_t(words.size()); }
    [[nodiscard]] std::uint64_t typesCount() const { return std::uint64_t(types.size()); }
    // Threads that read folders: 0 for one per processor.
    std::uint64_t threads = 0;
    // Files of this many bytes or more are not content-searched.
    std::uint64_t maxFileSize = 0;
    // Engine steps one regular-expression match may take, besides one per
    // thousand characters of the text; 0: unbounded (only stop ends it).
    // ICU's steps, not time: the default gives up on a backtracking pattern
    // after a few tenths of a second (0.1 to 0.5 s measured), by processor
    // and pattern.
    std::int32_t regexStepLimit = kDefaultRegexStepLimit;
    std::uint64_t mode = kSearchAllWords;
    std::uint64_t what = kSearchNames;
    std::uint64_t type = kSearchFilesAndFolders;
    // ComparisonOptions: 1 ignore case, 2 ignore diacritics, 4 fuzzy.
    std::uint64_t comparison = 0;

    // Items looked at in this search (worker) and at the owner's last
    // progress line (owner).
    std::atomic<std::uint64_t> nDone{0};
    std::atomic<std::uint64_t> nLastDone{0};

    bool invisibles = false;
    bool packageContents = false;
    // Every file is content-searched, whatever its extension.
    bool scanAll = false;
    // The walk reads each result's dates and size (one statx) as it finds
    // it; NO: on first use, for an owner that seldom shows them (the search
    // command prints paths only).
    bool readsItemStatus = true;
    // Set by the owner to end the search; cleared when the next one starts.
    std::atomic<bool> stop{false};

    // The receiver of every result; set by the engine.
    ResultsDataSource* dataSource = nullptr;
};

// What one search asks for: the phrase, the folder or pseudo-destination,
// and the options a window's controls or the command line set (the values
// above).
struct SearchRequest
{
    QString phrase;
    QString path;
    std::uint64_t what = kSearchNames;
    // ComparisonOptions: 1 ignore case, 2 ignore diacritics, 4 fuzzy.
    std::uint64_t comparison = 0;
    std::uint64_t mode = kSearchPhrase;
    std::uint64_t type = kSearchFilesAndFolders;
    bool invisibles = false;
    bool packageContents = false;
};

// Copies a request's options (not its phrase and place, which the search
// itself takes) into the record of the search.
inline void applySearchRequest(SearchParams& params, const SearchRequest& request)
{
    params.what = request.what;
    params.comparison = request.comparison;
    params.mode = request.mode;
    params.type = request.type;
    params.invisibles = request.invisibles;
    params.packageContents = request.packageContents;
}

} // namespace sorvant
