// Which records exist only in the table: the table is compared, record by record, with what the
// last user save wrote, so the exit can say how many would be lost.
#pragma once

#include <QHash>
#include <QString>

namespace gm {

class TabellaRecord;

class RecordSalvati {
public:
    explicit RecordSalvati(const TabellaRecord& tab) : tab(tab) {}
    // The table as it stands is now in the user's files.
    void Ricorda();
    // Records added, changed or removed since (a changed record counts once).
    long NonSalvati() const;

private:
    QHash<QString, int> Conta() const;
    const TabellaRecord& tab;
    QHash<QString, int> m_salvati;
};

}  // namespace gm
