// The coordinate memory: every position a service gave, kept in the SQLite file Geomerce.db of
// the work folder under the record's telephone, address and postal code, so that a later run
// (of any category) takes it from there instead of asking again.
#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QSqlQuery;

namespace gm {

class MemoriaCoordinate {
public:
    // Where a position came from. The listing's own map pages serve only the map step of the
    // harvest; the lookup of a row (reverse lookup, search by name, geocoder) also rewrites the row's
    // data, so its entries carry that data and serve only the lookup.
    enum class Fonte { MappaGialle, MappaBianche, Telefono, Nome, Geocoder };

    struct Chiave {
        QString telefono, indirizzo, cap;
        // A key with neither telephone nor address names no place.
        bool valida() const { return !telefono.isEmpty() || !indirizzo.isEmpty(); }
        bool operator==(const Chiave&) const = default;
    };
    // Key of a record: telephone without blanks, address with single blanks, case folded.
    static Chiave ChiaveDi(const QString& telefono, const QString& indirizzo, const QString& cap);

    struct Voce {
        QString lat, lon;  // five-decimal form
        Fonte fonte = Fonte::Geocoder;
        QDate data;
        // Name, address, postal code, town and province code as the lookup left the row; empty
        // where it left nothing (always empty for map pages).
        std::array<QString, 5> campi;
    };

    // What happened to the file when it was opened.
    enum class Esito { Aperta, Danneggiata, Bloccata, NonDisponibile };

    MemoriaCoordinate();
    ~MemoriaCoordinate();
    MemoriaCoordinate(const MemoriaCoordinate&) = delete;
    MemoriaCoordinate& operator=(const MemoriaCoordinate&) = delete;

    // Opens (or creates) the file. A damaged file, or one another program keeps locked, is renamed
    // beside it and a new one is started; messaggio then says so in Italian. Aperta or, when even
    // that failed, NonDisponibile (the run goes on without memory).
    Esito apri(const QString& percorso, QString& messaggio);
    void chiudi();
    bool aperta() const { return m_aperta; }

    // The entry of this key for the step of fonte (map of one directory, or the lookup), when
    // it is no older than giorniValidita and holds a usable position.
    std::optional<Voce> cerca(const Chiave& k, Fonte fonte);
    // Stores what a service gave; false when the file refused the write (the memory is then closed
    // and errore says why).
    bool ricorda(const Chiave& k, const Voce& v);
    QString errore;

    // Entries older than this many days are asked again.
    int giorniValidita = 180;
    // Waiting for a lock held by another program before calling the file locked.
    int msAttesa = 2000;
    // Today's date; the system clock unless a test sets its own.
    std::function<QDate()> oggi = [] { return QDate::currentDate(); };

    // Positions taken from the memory and stored since it was opened.
    long riprese = 0, registrate = 0;

private:
    QString m_connessione;
    QString m_percorso;
    QString m_messaDaParte;
    bool m_aperta = false;

    enum class Prova { Ok, Danneggiata, Bloccata };
    Prova prepara();
    std::optional<Voce> Leggi(const QSqlQuery& q) const;
    bool mettiDaParte(const QString& motivo);
};

}  // namespace gm
