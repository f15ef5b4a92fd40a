#include "engine/Backoff.h"

#include <QTest>

// The delay before a failed connection is tried again doubles up to its ceiling, and a success
// starts it over.
class tst_Backoff final : public QObject
{
    Q_OBJECT

private slots:
    void doublesUpToItsCeiling();
};

void tst_Backoff::doublesUpToItsCeiling()
{
    Backoff backoff(1000, 30000);
    for (int round = 0; round < 2; ++round) {
        QList<int> delays;
        for (int attempt = 0; attempt < 7; ++attempt)
            delays << backoff.next();
        QCOMPARE(delays, QList<int>({1000, 2000, 4000, 8000, 16000, 30000, 30000}));
        backoff.reset();
    }
}

QTEST_GUILESS_MAIN(tst_Backoff)
#include "tst_Backoff.moc"
