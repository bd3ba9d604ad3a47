#pragma once

#include <QString>

namespace virel {

// Removes spaces and tabs (only those: line breaks stay) from both ends.
QString trimSpacesAndTabs(const QString& text);

} // namespace virel
