#include "store/JsonDamage.h"

#include <set>
#include <vector>

namespace mervantic {

namespace {

// One object or array the scan is inside: an object's keys so far, and whether a key comes next.
struct Container {
    bool object = false;
    bool keyNext = false;
    std::set<QByteArray> keys;
};

// The string that begins at `at` (its opening quote), as written; `at` moves past its end.
QByteArray stringAt(QByteArrayView json, qsizetype& at) {
    const qsizetype start = ++at;
    while (at < json.size() && json[at] != '"')
        at += json[at] == '\\' ? 2 : 1;
    const QByteArray text = json.sliced(start, std::min(at, json.size()) - start).toByteArray();
    ++at;
    return text;
}

} // namespace

QString duplicateJsonKey(QByteArrayView json) {
    std::vector<Container> open;
    for (qsizetype at = 0; at < json.size();) {
        const char c = json[at];
        if (c == '"') {
            const QByteArray text = stringAt(json, at);
            if (!open.empty() && open.back().object && open.back().keyNext) {
                open.back().keyNext = false;
                if (!open.back().keys.insert(text).second)
                    return QString::fromUtf8(text);
            }
            continue;
        }
        if (c == '{' || c == '[')
            open.push_back({c == '{', c == '{', {}});
        else if ((c == '}' || c == ']') && !open.empty())
            open.pop_back();
        else if (c == ',' && !open.empty() && open.back().object)
            open.back().keyNext = true;
        ++at;
    }
    return {};
}

} // namespace mervantic
