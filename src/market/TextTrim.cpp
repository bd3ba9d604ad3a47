#include "market/TextTrim.h"

namespace virel {

namespace {
bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}
} // namespace

QString trimSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpaceOrTab(text.at(begin))) {
        ++begin;
    }
    while (end > begin && isSpaceOrTab(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

} // namespace virel
