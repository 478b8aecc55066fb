#include "search_format.h"

#include "types.h"

namespace {

struct FoundText {
    char model;
    TextKey text;
};

constexpr FoundText EhxFoundTexts[] = {
    {ModelNone, MsgEhxFound},
    {ModelEhu, MsgEhuFound},
    {ModelEhm, MsgEhmFound},
};

}  // namespace

TextKey EhxFoundText(char modelCode)
{
    for (const FoundText& row : EhxFoundTexts) {
        if (row.model == modelCode) return row.text;
    }
    // Whatever else answered the EHU/EHM probe is still a reader of that
    // family, so it gets the family's own text.
    return MsgEhxFound;
}
