#pragma once

#include <string>

namespace keepsift::app {

// The notice shown while the review cannot be saved: why, and that nothing is flagged
// meanwhile. German exactly for "de", English otherwise.
std::string storageUnavailableNotice(const std::string& reason, const std::string& language);

// The answer to a decision asked for while the review cannot be saved: it was not taken.
std::string decisionNotKeptNotice(const std::string& reason, const std::string& language);

// The answer to a delete confirmed while the review cannot be saved: nothing moved.
std::string deleteRefusedNotice(const std::string& reason, const std::string& language);

} // namespace keepsift::app
