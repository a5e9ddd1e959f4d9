// Progress display, directory markers, minute timer and the stop request, shared by every long
// operation.
#pragma once

#include <QString>

#include <functional>

namespace gm {

struct Controlli;
class Dialoghi;

class Avanzamento {
public:
    Avanzamento(Controlli& c, Dialoghi& d);

    bool bStop = false;
    long MinutiDaSalvataggio = 0;
    QString DescrizioneFase;
    long InizioFase = 0;

    void AggiornaPercentuale(long Totale, long Corrente);
    // The percentage AggiornaPercentuale shows (two decimals, at most 100) and its text.
    static double Percentuale(long Totale, long Corrente);
    static QString TestoPercentuale(double percentuale);
    void EvidenziaOrigine(long Gialle, long Bianche);
    static long CalcolaSecondi();
    void tmrClock_Timer();
    void lblTent_Change();
    void cmdFine_Click();

    // Busy indicator of the Stop button: "&Stop" on green, or "&Fine Lavoro" on red.
    void IndicaOccupato(bool occupato);

    // A turn of the event loop, at most one every kMsTraTurni milliseconds.
    void Cedi();
    static constexpr qint64 kMsTraTurni = 8;

    // Hooks set by the form: the timer's automatic save, and ending the program.
    std::function<void(int modo)> salvaFile;
    std::function<void()> terminaProgramma;
    std::function<void()> cedi;  // defaults to processing pending events
    // Whether a command is still running (the window: one of its handlers is open). Unset: always,
    // as on the command line, where the timer only ticks inside a command.
    std::function<bool()> operazioneInCorso;
    // Records that exist only in the table, and the save offered for them at exit (true when it
    // saved them).
    std::function<long()> recordNonSalvati;
    std::function<bool()> salvaPrimaDiChiudere;
    // The short sound that closes a manual insert, an edit or the row menu.
    std::function<void()> segnaleAcustico;
    void Beep() {
        if (segnaleAcustico) segnaleAcustico();
    }

    // Folder whose page files "mk*.html" are deleted at exit (the work folder).
    QString cartellaPagine;
    // Set when the user confirmed the exit question: the window may close.
    bool bChiusuraConfermata = false;

private:
    Controlli& c;
    Dialoghi& d;
};

}  // namespace gm
