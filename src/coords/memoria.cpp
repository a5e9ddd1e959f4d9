#include "coords/memoria.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

#include "coords/risposte.h"

namespace gm {

namespace {

// "GeoM": marks the file as ours, so that another program's database is never read as a memory.
constexpr int kIdApplicazione = 0x47656f4d;
constexpr int kVersione = 1;
// A stored text longer than any cell the program writes is not ours.
constexpr int kMaxTesto = 500;

const char* const kFonti[] = {"mappa-gialle", "mappa-bianche", "telefono", "nome", "geocoder"};

QString TestoFonte(MemoriaCoordinate::Fonte f) { return QString::fromLatin1(kFonti[int(f)]); }

std::optional<MemoriaCoordinate::Fonte> FonteDi(const QString& t) {
    for (int i = 0; i < 5; ++i)
        if (t == QLatin1String(kFonti[i])) return MemoriaCoordinate::Fonte(i);
    return std::nullopt;
}

// The step an entry serves: the map page of one directory, or the lookup of a row.
QString Passo(MemoriaCoordinate::Fonte f) {
    switch (f) {
        case MemoriaCoordinate::Fonte::MappaGialle: return QStringLiteral("gialle");
        case MemoriaCoordinate::Fonte::MappaBianche: return QStringLiteral("bianche");
        default: return QStringLiteral("ricerca");
    }
}

// An empty text bound as it is would be NULL, which neither matches nor may be stored.
QString Testo(const QString& t) {
    const QString r = t.left(kMaxTesto);
    return r.isNull() ? QStringLiteral("") : r;
}

// SQLite's codes for a file another connection keeps locked.
bool Bloccato(const QSqlError& e) {
    const QString c = e.nativeErrorCode();
    return c == u"5" || c == u"6" || e.databaseText().contains(QStringLiteral("locked"), Qt::CaseInsensitive);
}

const QString kTabella = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS coordinate ("
    " telefono TEXT NOT NULL, indirizzo TEXT NOT NULL, cap TEXT NOT NULL, passo TEXT NOT NULL,"
    " fonte TEXT NOT NULL, lat TEXT NOT NULL, lon TEXT NOT NULL, data TEXT NOT NULL,"
    " nome TEXT NOT NULL, via TEXT NOT NULL, cap_scheda TEXT NOT NULL, citta TEXT NOT NULL,"
    " sigla TEXT NOT NULL,"
    " PRIMARY KEY (telefono, indirizzo, cap, passo)) WITHOUT ROWID");
const QString kColonne =
    QStringLiteral("fonte, lat, lon, data, nome, via, cap_scheda, citta, sigla");

}  // namespace

MemoriaCoordinate::MemoriaCoordinate() {
    static std::atomic<int> contatore{0};
    m_connessione = QStringLiteral("geomerce-memoria-%1").arg(++contatore);
}

MemoriaCoordinate::~MemoriaCoordinate() { chiudi(); }

MemoriaCoordinate::Chiave MemoriaCoordinate::ChiaveDi(const QString& telefono, const QString& indirizzo,
                                                      const QString& cap) {
    Chiave k;
    for (QChar ch : telefono)
        if (!ch.isSpace()) k.telefono.append(ch);
    k.telefono = k.telefono.toCaseFolded();
    k.indirizzo = indirizzo.simplified().toCaseFolded();
    k.cap = cap.simplified().toCaseFolded();
    return k;
}

void MemoriaCoordinate::chiudi() {
    if (QSqlDatabase::contains(m_connessione)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connessione, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connessione);
    }
    m_aperta = false;
}

MemoriaCoordinate::Prova MemoriaCoordinate::prepara() {
    chiudi();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connessione);
    db.setDatabaseName(m_percorso);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(msAttesa));
    if (!db.open()) return Bloccato(db.lastError()) ? Prova::Bloccata : Prova::Danneggiata;

    QSqlQuery q(db);
    QSqlError e;
    auto esegui = [&](const QString& sql) {
        if (q.exec(sql)) return true;
        e = q.lastError();
        return false;
    };
    auto intero = [&](const QString& sql, int& v) {
        if (!esegui(sql) || !q.next()) return false;
        v = q.value(0).toInt();
        q.finish();
        return true;
    };
    auto esito = [&] { return Bloccato(e) ? Prova::Bloccata : Prova::Danneggiata; };

    // Reading the whole file once: a damaged page shows here, not half-way through a run.
    if (!esegui(QStringLiteral("PRAGMA quick_check"))) return esito();
    if (!q.next() || q.value(0).toString() != u"ok") return Prova::Danneggiata;
    q.finish();
    int id = 0, versione = 0;
    if (!intero(QStringLiteral("PRAGMA application_id"), id) || !intero(QStringLiteral("PRAGMA user_version"), versione))
        return esito();
    if ((id != 0 && id != kIdApplicazione) || versione > kVersione) return Prova::Danneggiata;
    // Nothing is written into a file before it is known to be ours: a database with tables but
    // without our mark belongs to someone else, and ours must hold the columns we read.
    int tabelle = 0;
    if (!intero(QStringLiteral("SELECT count(*) FROM sqlite_master"), tabelle)) return esito();
    if (id != kIdApplicazione && tabelle > 0) return Prova::Danneggiata;
    if (tabelle > 0) {
        if (!esegui(QStringLiteral("SELECT telefono, indirizzo, cap, passo, ") + kColonne +
                    QStringLiteral(" FROM coordinate LIMIT 0")))
            return esito();
        q.finish();
    }

    // Write-ahead log: a stored position costs no disk sync, readers never wait for the writer.
    if (!esegui(QStringLiteral("PRAGMA journal_mode=WAL"))) return esito();
    q.finish();
    if (!esegui(QStringLiteral("PRAGMA synchronous=NORMAL"))) return esito();
    // A write now proves that no other program holds the file.
    if (!esegui(QStringLiteral("BEGIN IMMEDIATE"))) return esito();
    const bool creata = esegui(kTabella) &&
                        esegui(QStringLiteral("PRAGMA application_id=%1").arg(kIdApplicazione)) &&
                        esegui(QStringLiteral("PRAGMA user_version=%1").arg(kVersione));
    if (!creata) {
        const Prova p = esito();
        q.exec(QStringLiteral("ROLLBACK"));
        return p;
    }
    q.finish();
    if (!esegui(QStringLiteral("COMMIT"))) return esito();
    m_aperta = true;
    return Prova::Ok;
}

bool MemoriaCoordinate::mettiDaParte(const QString& motivo) {
    chiudi();
    const QFileInfo info(m_percorso);
    if (!info.exists()) return false;
    const QString radice = info.dir().filePath(info.completeBaseName() + u'-' + motivo + u'-' +
                                               QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString nuovo = radice + QStringLiteral(".db");
    for (int i = 2; QFileInfo::exists(nuovo) && i < 1000; ++i) nuovo = radice + QStringLiteral("-%1.db").arg(i);
    if (!QFile::rename(m_percorso, nuovo)) return false;
    // The journal and the write-ahead log belong to the file they were written for.
    for (const char* s : {"-wal", "-shm", "-journal"}) {
        const QString accanto = m_percorso + QLatin1String(s);
        if (QFileInfo::exists(accanto) && !QFile::rename(accanto, nuovo + QLatin1String(s))) QFile::remove(accanto);
    }
    m_messaDaParte = nuovo;
    return true;
}

MemoriaCoordinate::Esito MemoriaCoordinate::apri(const QString& percorso, QString& messaggio) {
    chiudi();
    m_percorso = percorso;
    m_messaDaParte.clear();
    messaggio.clear();
    errore.clear();
    riprese = registrate = 0;
    const QString nome = QFileInfo(percorso).fileName();
    const QString senza = QStringLiteral("\r\n\r\nLa ricerca prosegue senza memoria: le coordinate saranno chieste ai servizi.");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        messaggio = QStringLiteral("La memoria delle coordinate non è disponibile (manca il driver SQLite di Qt).") + senza;
        return Esito::NonDisponibile;
    }
    const Prova prova = prepara();
    if (prova == Prova::Ok) return Esito::Aperta;

    const bool danneggiata = prova == Prova::Danneggiata;
    const QString stato = danneggiata ? QStringLiteral("è danneggiato o non è una memoria di Geomerce")
                                      : QStringLiteral("è bloccato da un altro programma");
    if (!mettiDaParte(danneggiata ? QStringLiteral("danneggiato") : QStringLiteral("bloccato"))) {
        chiudi();
        messaggio = QStringLiteral("Il file della memoria delle coordinate %1 %2 e non può essere messo da parte.")
                        .arg(nome, stato) +
                    senza;
        return Esito::NonDisponibile;
    }
    const QString daParte = QFileInfo(m_messaDaParte).fileName();
    if (prepara() != Prova::Ok) {
        chiudi();
        messaggio = QStringLiteral("Il file della memoria delle coordinate %1 %2: è stato messo da parte come %3, "
                                   "ma non è stato possibile crearne uno nuovo.")
                        .arg(nome, stato, daParte) +
                    senza;
        return Esito::NonDisponibile;
    }
    messaggio = QStringLiteral("Il file della memoria delle coordinate %1 %2: è stato messo da parte come %3 "
                               "e ne è stato creato uno nuovo.\r\n\r\nLa ricerca prosegue.")
                    .arg(nome, stato, daParte);
    return danneggiata ? Esito::Danneggiata : Esito::Bloccata;
}

std::optional<MemoriaCoordinate::Voce> MemoriaCoordinate::cerca(const Chiave& k, Fonte fonte) {
    if (!m_aperta || !k.valida()) return std::nullopt;
    errore.clear();
    std::optional<Voce> trovata;
    {
        QSqlQuery q(QSqlDatabase::database(m_connessione, false));
        q.prepare(QStringLiteral("SELECT ") + kColonne +
                  QStringLiteral(" FROM coordinate WHERE telefono = ? AND indirizzo = ? AND cap = ? AND passo = ?"));
        for (const QString& t : {k.telefono, k.indirizzo, k.cap, Passo(fonte)}) q.addBindValue(Testo(t));
        if (!q.exec())
            errore = q.lastError().text();
        else if (q.next())
            trovata = Leggi(q);
    }
    if (!errore.isEmpty()) {
        chiudi();
        return std::nullopt;
    }
    if (trovata) ++riprese;
    return trovata;
}

std::optional<MemoriaCoordinate::Voce> MemoriaCoordinate::Leggi(const QSqlQuery& q) const {
    Voce v;
    const auto f = FonteDi(q.value(0).toString());
    v.data = QDate::fromString(q.value(3).toString(), Qt::ISODate);
    if (!f || !v.data.isValid()) return std::nullopt;
    v.fonte = *f;
    // A date ahead of today (the clock was set back) is as doubtful as an old one.
    const qint64 eta = v.data.daysTo(oggi());
    if (eta < 0 || eta > giorniValidita) return std::nullopt;
    // Only a position that reads as one is given back, never one made up from a damaged entry.
    const coords::Posizione p = coords::CreaPosizione(q.value(1).toString(), q.value(2).toString());
    if (!p.valida()) return std::nullopt;
    v.lat = p.lat;
    v.lon = p.lon;
    for (int i = 0; i < 5; ++i) {
        v.campi[i] = q.value(4 + i).toString();
        if (v.campi[i].size() > kMaxTesto) return std::nullopt;
    }
    return v;
}

bool MemoriaCoordinate::ricorda(const Chiave& k, const Voce& v) {
    if (!m_aperta || !k.valida() || !coords::CoordinatePlausibili(v.lat, v.lon)) return false;
    errore.clear();
    {
        QSqlQuery q(QSqlDatabase::database(m_connessione, false));
        q.prepare(QStringLiteral("INSERT OR REPLACE INTO coordinate (telefono, indirizzo, cap, passo, ") + kColonne +
                  QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QString& t : {k.telefono, k.indirizzo, k.cap, Passo(v.fonte), TestoFonte(v.fonte), v.lat, v.lon,
                                 v.data.toString(Qt::ISODate)})
            q.addBindValue(Testo(t));
        for (const QString& t : v.campi) q.addBindValue(Testo(t));
        if (!q.exec()) errore = q.lastError().text();
    }
    if (!errore.isEmpty()) {
        chiudi();
        return false;
    }
    ++registrate;
    return true;
}

}  // namespace gm
