// The one way the program shows message boxes: the window shows real ones, the command line
// prints and answers from its options, tests script the answers and record what was shown.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace gm {

enum class Icona { Nessuna, Critica, Domanda, Esclamazione, Informazione };

// Title used where a message names none: the program's default title.
inline const QString kTitoloProgramma = QStringLiteral("Geomerce");

class Dialoghi {
public:
    virtual ~Dialoghi() = default;
    // A notice with the OK button.
    virtual void messaggio(const QString& testo, const QString& titolo = QString(), Icona icona = Icona::Nessuna) = 0;
    // A Yes/No question; true for Yes.
    virtual bool domanda(const QString& testo, const QString& titolo = QString(), Icona icona = Icona::Domanda) = 0;
};

// Records every message and answers questions from a script (then from a default).
class DialoghiRegistrati : public Dialoghi {
public:
    struct Voce {
        QString testo, titolo;
        Icona icona;
        bool domanda;
    };
    QList<Voce> mostrati;
    QList<bool> risposte;  // consumed in order
    bool rispostaPredefinita = true;

    void messaggio(const QString& testo, const QString& titolo, Icona icona) override {
        mostrati.append({testo, titolo, icona, false});
    }
    bool domanda(const QString& testo, const QString& titolo, Icona icona) override {
        mostrati.append({testo, titolo, icona, true});
        return risposte.isEmpty() ? rispostaPredefinita : risposte.takeFirst();
    }
    QStringList testi() const {
        QStringList t;
        for (const auto& v : mostrati) t << v.testo;
        return t;
    }
};

}  // namespace gm
