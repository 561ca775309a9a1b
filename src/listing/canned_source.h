#pragma once
// Pseudo mode: listings read from canned files in a folder instead of running the listing tool.
// The file depends on the object name alone ("S1:" reads S1-jids.txt, "S1:12" S1-12.txt, "P1"
// P1.txt), so a server, a printer and a queue of the same name share one file; class, domain,
// attributes and filter make no difference. A missing or empty file lists nothing.

#include <string>

#include "listing/source.h"

namespace stallscan::listing {

// The file name (without folder) read for an object name, or empty when the name would lead out
// of the folder.
std::string CannedFileName(const std::string& object_name);

// The text of a canned file as the listing tool would have written it: a line ends at CR LF or at
// a lone CR (a lone LF is an ordinary character), a last line without an ending counts, and every
// line ends with CR LF.
std::string CannedLines(const std::string& bytes);

class CannedSource : public ListingSource {
  public:
    // `folder` in Windows notation, as given after "pseudo-kvls@".
    explicit CannedSource(std::string folder) : folder_(std::move(folder)) {}

    Answer List(const Request& request, const Control& control) override;

  private:
    std::string folder_;
};

}  // namespace stallscan::listing
