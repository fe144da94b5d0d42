// The search window's fields carry their labels as placeholders. A field that still shows its
// placeholder, exactly, asks for nothing: it is emptied before the search and sent empty.
#pragma once

#include "protocol/commands.h"

namespace ozl::directory {

protocol::SearchCriteria SearchPlaceholders();

// The criteria with every field that equals its placeholder emptied.
protocol::SearchCriteria WithoutPlaceholders(protocol::SearchCriteria typed);

}  // namespace ozl::directory
