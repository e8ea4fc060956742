#pragma once
// The pieces a PDF/A-1b file (ISO 19005-1, conformance level B) adds to a document: the XMP
// metadata stream that repeats the information dictionary, and the sRGB output intent that
// gives the device colours their meaning.
#include <string>
#include <string_view>

namespace orvena::exporting::pdf {

struct DocumentInfo;

// The XMP packet (ISO 19005-1 6.7): pdfaid part 1, conformance B, and each information entry
// that is not empty under its XMP name, so that the two agree (6.7.3). `date` is the
// information dictionary's date in XMP form ("2026-03-01T10:00:00").
std::string xmp_metadata(const DocumentInfo& info, std::string_view date, std::string_view file_id_hex);

// The ICC profile (version 2, RGB, monitor class) of the output intent.
std::string_view srgb_profile();

// The output intent dictionary's entries, naming the profile stream `profile_reference`.
std::string output_intent_entries(std::string_view profile_reference);

}  // namespace orvena::exporting::pdf
