#ifndef FENDREL_HTTP_IDHEADERLIST_H
#define FENDREL_HTTP_IDHEADERLIST_H

#include <cstddef>
#include <vector>

#include "core/String.h"

// An ordered list of header lines, each normally "Name: Value". Names compare without regard
// to case. Lines are kept as received or composed: a continuation line (beginning with a blank)
// is an entry of its own, and reading a value joins it to the line before when UnfoldLines is set.
class TIdHeaderList {
 public:
  explicit TIdHeaderList(int foldLength = 78);

  // --- Plain list operations -------------------------------------------------------------
  std::size_t Count() const { return FLines.size(); }
  const String& operator[](std::size_t index) const { return FLines[index]; }
  const std::vector<String>& Lines() const { return FLines; }
  void Add(const String& line) { FLines.push_back(line); }
  void Insert(std::size_t index, const String& line);
  void Delete(std::size_t index);
  void Clear() { FLines.clear(); }
  // Every line followed by CR LF.
  String Text() const;

  // --- Name and value ----------------------------------------------------------------------
  // The name of the line: the text before the first ":"; empty without ":".
  String NameOf(std::size_t index) const;
  // The value of the line (continuations joined when UnfoldLines is set), trimmed.
  String ValueFromIndex(std::size_t index) const;
  // The index of the first line with the name, -1 when there is none.
  int IndexOfName(StringView name) const;
  // The value of the first line with that name; empty when absent.
  String Values(StringView name) const;
  // Replaces the first line of that name in place (its continuation lines go first), appends
  // when there is none, deletes it when the value is empty. Long lines are folded when FoldLines is set.
  void SetValue(const String& name, const String& value);
  // Always appends (nothing when name or value is empty).
  void AddValue(const String& name, const String& value);
  // Appends the value of every line of that name, in order, to dest.
  void Extract(StringView name, std::vector<String>& dest) const;
  void Extract(StringView name, TIdHeaderList& dest) const;

  const String& NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(const String& separator) { FNameValueSeparator = separator; }
  bool UnfoldLines() const { return FUnfoldLines; }
  void SetUnfoldLines(bool unfold) { FUnfoldLines = unfold; }
  bool FoldLines() const { return FFoldLines; }
  void SetFoldLines(bool fold) { FFoldLines = fold; }
  int FoldLength() const { return FFoldLength; }
  void SetFoldLength(int length) { FFoldLength = length; }

  // The line split into pieces of at most foldLength characters where possible, broken after a
  // blank, tab or comma outside double quotes; later pieces begin with a blank.
  static std::vector<String> FoldLine(const String& line, int foldLength);
  // The entries with every continuation joined to its line with one blank: the form in which
  // a request head goes on the wire, never folded.
  std::vector<String> UnfoldedLines() const;

 private:
  // The number of entries after index that continue it.
  std::size_t ContinuationCount(std::size_t index) const;
  std::vector<String> ComposeLines(const String& name, const String& value) const;

  std::vector<String> FLines;
  String FNameValueSeparator = u": ";
  bool FUnfoldLines = true;
  bool FFoldLines = true;
  int FFoldLength;
};

// A line that continues the one before it (it begins with a blank or a tab).
bool IsContinuationLine(StringView line);

#endif
