#pragma once

#include <QString>

namespace virel {

// The path of one of the application's private programs (the demo market, the web helper): beside the
// application in a build tree, in bin/../lib/virel once installed. The first when neither exists.
QString bundledProgram(const QString& name);

} // namespace virel
