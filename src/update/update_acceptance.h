#pragma once
// Whether a parsed update file is sent, in the order the worker applies the
// rules: the parser's result, the company name, then a non-empty total.
#include <string>

#include "core/build_config.h"
#include "update/update_parser.h"

namespace brindle {

inline constexpr char kTextWrongFormat[] = "Wrong format of the file!";  // followed by the parser's code
inline constexpr char kTextVersionUnmatched[] = "Version unmatched!";
inline constexpr char kTextNoDatabase[] = "Cannot find the available database!";

// True when the first 16 bytes of the producer name are the company name (a
// shorter company name counts as followed by zero bytes), or when the
// configuration's company is blank.
bool ProducerMatches(const UpdateDescription& description, const CBuildConfig& config);

// The outcome text the worker ends with when it stops at these rules, or ""
// when the file is to be sent.
std::string UpdateAcceptanceOutcome(int parseResult, const UpdateDescription& description,
                                    const CBuildConfig& config);

}  // namespace brindle
