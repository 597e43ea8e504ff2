#pragma once

#include <QList>
#include <QString>

namespace tolvar {

class AppModel;

// What the health check shows, worked out from the model's published state each time it is drawn.
struct HealthReport
{
    struct Tile
    {
        // English titles, looked up where they are shown; values are already localised.
        const char* title;
        QString value;
        QString systemImage;
        bool isWarning;
    };
    struct Row
    {
        const char* title;
        QString value;
        bool isWarning;
    };

    QList<Tile> tiles;
    QList<Row> rows;
    // The local-only hint under the rows.
    bool showsSyncHint = false;

    static HealthReport of(const AppModel& appModel);
};

} // namespace tolvar
