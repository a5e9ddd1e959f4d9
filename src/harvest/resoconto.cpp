#include "harvest/resoconto.h"

namespace gm {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

void Resoconto::aggiungi(const QString& area, bool coordinate) {
    Area* a = nullptr;
    for (Area& x : aree)
        if (x.nome == area) a = &x;
    if (!a) {
        aree.append({area});
        a = &aree.last();
    }
    ++(coordinate ? a->coordinate : a->pagine);
}

long Resoconto::totale() const {
    long n = 0;
    for (const Area& a : aree) n += a.pagine + a.coordinate;
    return n;
}

QString Resoconto::conteggio() const {
    const long n = totale();
    return QString::number(n) + (n == 1 ? QStringLiteral(" pagina non scaricata") : QStringLiteral(" pagine non scaricate"));
}

QStringList Resoconto::righe() const {
    QStringList r;
    for (const Area& a : aree) {
        QString t = a.nome + QStringLiteral(": ");
        if (a.pagine > 0) t += QString::number(a.pagine);
        if (a.pagine > 0 && a.coordinate > 0) t += QStringLiteral(", più ");
        if (a.coordinate > 0) t += QString::number(a.coordinate) + QStringLiteral(" di coordinate");
        r << t;
    }
    return r;
}

QString Resoconto::messaggioFinale(bool interrotta, int maxRighe) const {
    QString t = interrotta ? QStringLiteral("Elaborazione interrotta") : QStringLiteral("Elaborazione terminata");
    if (!servizioMorto.isEmpty()) t += kCrLf + kCrLf + servizioMorto + u'.';
    if (totale() == 0) return t;
    t += (servizioMorto.isEmpty() ? QStringLiteral(" con ") : kCrLf + kCrLf) + conteggio() + u':';
    QStringList elenco = righe();
    if (elenco.size() > maxRighe) {
        const qsizetype altre = elenco.size() - maxRighe;
        elenco = elenco.mid(0, maxRighe);
        elenco << QStringLiteral("... e altre %1 zone").arg(altre);
    }
    return t + kCrLf + elenco.join(kCrLf);
}

QString MessaggioServizioMorto(const QStringList& nomi, const QString& indirizzo) {
    if (nomi.isEmpty()) return QStringLiteral("Il servizio ") + indirizzo + QStringLiteral(" non risponde");
    if (nomi.size() == 1)
        return QStringLiteral("Il servizio ") + nomi[0] + QStringLiteral(" (") + indirizzo + QStringLiteral(") non risponde");
    const QString elenco = nomi.mid(0, nomi.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" e ") + nomi.last();
    return QStringLiteral("I servizi ") + elenco + QStringLiteral(" (") + indirizzo + QStringLiteral(") non rispondono");
}

}  // namespace gm
