// How the editor's edits reach the open documents, and how long an edit
// waits for the next one before the line is checked.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/documents.h"

namespace binario {

// Applies the contentChanges of a didChange notification to the open
// document `uri`, in order: a change with a range replaces that range
// (positions in UTF-16 units), one without replaces the whole text. Throws
// rpc::Error (invalid params) on a range that is not two positions; the
// changes before it stay applied.
void apply_content_changes(DocumentStore& documents, const std::string& uri,
                           const nlohmann::json& changes);

// One of a didChange's contentChanges: the text that replaces the range, or
// the whole text when there is no range.
struct ContentChange {
  struct Range {
    TextPlace start;
    TextPlace end;
  };
  std::optional<Range> range;
  std::string text;
};

// A didChange notification as it is applied: the document and its changes.
struct DidChange {
  std::string uri;
  std::vector<ContentChange> changes;
};

// How quick_sax_parse ended.
enum class QuickParse {
  kParsed,   // a whole JSON text, every event given
  kStopped,  // the handler returned false
  kUnsure,   // left to the whole parser; the events given so far are void
};

// Gives `sax` the events nlohmann::json::sax_parse gives it for `text`, in
// a few milliseconds where that takes tens for a megabyte of edits: strings
// are copied a run of plain bytes at a time. It leaves to the whole parser
// (kUnsure) what it does not read itself: a number with a sign, fraction
// or exponent or more than 18 digits, a string with a control character,
// bytes that are not well-formed UTF-8 or a surrogate escape out of its
// pair, nesting deeper than 256, and anything that is not JSON.
QuickParse quick_sax_parse(std::string_view text, nlohmann::json_sax<nlohmann::json>* sax);

// The didChange notification `body`, read straight into its changes without
// building the message as JSON values (a formatting's edits sent back are a
// megabyte and more, ten thousand objects). Nothing when the body is anything
// but a well-formed didChange notification whose every change reads as
// above: the whole parse then handles it, and says what is wrong.
std::optional<DidChange> read_did_change(std::string_view body);

// Applies `changes` to the open document `uri`, in order.
void apply_changes(DocumentStore& documents, const std::string& uri,
                   std::vector<ContentChange>& changes);

// The wait between an edit and the check it causes. The first edit after a
// pause of at least `longest` waits the least (5 ms, or `longest` when that
// is shorter): a single change is checked at once. An edit that follows
// another sooner waits twice what the last check cost, from 5 ms to
// `longest`: a cheap check follows typing closely, a costly one waits for a
// pause, so that a burst of keystrokes costs few compiles.
std::chrono::milliseconds adaptive_debounce(std::chrono::microseconds last_check,
                                            std::chrono::milliseconds longest,
                                            std::chrono::steady_clock::duration since_last_edit);

}  // namespace binario
