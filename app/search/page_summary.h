#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm {

class PageTextSink;

// What one documentation page says about the items it documents, read in
// one pass over the page however many records point into it.
struct PageSummaries {
  // By fragment (the id or <a name> a link names): the first sentence of
  // the prose that documents the item. Fragments without prose are absent.
  std::unordered_map<std::string, std::string> by_fragment;
  // The page's own description (its meta description, else the first
  // paragraph of its main content); empty when it has none or none was asked.
  std::string page;
};

// Reads the page's markup (any bytes: the parser is tolerant, the declared
// character set is honoured) and finds a summary for each wanted fragment
// and, with page_description, for the page itself. Summaries are UTF-8
// with white space collapsed, cut at a sentence end or near 160 characters.
// With a sink, the same parse also hands the sink every element and piece of
// text, and the page is read to its end.
PageSummaries SummarizePage(std::string_view markup, const std::vector<std::string>& fragments, bool page_description,
                            PageTextSink* sink = nullptr);

// Navigation, headers, footers and side bars that a page carries like every
// other page of its set: an element named so, marked so by its role, or by a
// class or id word such as "navbar" or "sidebar" (arguments lower-cased).
bool IsRepeatedNavigation(const char* name, const std::string& lower_class, const std::string& lower_id,
                          const std::string& lower_role);

// Collapsed text cut to its first sentence, or near 160 characters with an
// ellipsis when that sentence is longer.
std::string FirstSentence(std::string_view collapsed);

}  // namespace qm
