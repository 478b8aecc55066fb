// The found text of an EHU/EHM probe for every model letter.
#include "check.h"
#include "search_format.h"
#include "types.h"

TEST_CASE("each model letter has a found text; unknown letters get the family's")
{
    struct Row {
        char model;
        TextKey text;
    };
    const Row rows[] = {
        {ModelNone, MsgEhxFound}, {ModelEhu, MsgEhuFound}, {ModelEhm, MsgEhmFound},
        {ModelUsb, MsgEhxFound},  {'Z', MsgEhxFound},      {'\0', MsgEhxFound},
        {'u', MsgEhxFound},
    };
    for (const Row& row : rows) CHECK_EQ(static_cast<int>(EhxFoundText(row.model)), static_cast<int>(row.text));
}

TEST_MAIN()
