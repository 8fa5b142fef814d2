#pragma once

#include <optional>
#include <string>

#include "core/model/DeletionReport.hpp"

namespace keepsift::app {

// What a confirmed delete did, as the review window says it: how many photographs went to
// the Trash and, for the rest, why they stayed. None when every photograph went; "Nothing
// deleted" when nothing went and nothing failed (the user declined). German exactly for "de".
std::optional<std::string> deleteOutcomeNotice(const DeletionReport& report,
                                               const std::string& language);

} // namespace keepsift::app
