#include "ui/QueueMenuRules.h"

QueueMenuRules QueueMenuRules::forRow(int row, int rowCount, bool running)
{
    QueueMenuRules rules;
    rules.cancel = true;
    rules.moveUp = row > 1 && !(running && row == 2);
    rules.moveDown = row < rowCount && !(running && row == 1);
    return rules;
}
