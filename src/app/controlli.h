// Control models: the window's controls as plain objects of the core, so that every step of the
// logic can run and be tested without widgets. gui/ mirrors each model into a real widget and back;
// cli/ sets them from options; tests drive them directly.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <array>
#include <functional>

#include "table/griglia.h"

namespace gm {

// A colour of a control (the core links no GUI module). valore() is the classic BGR number:
// red 255, green 65280.
struct Colore {
    int r = 0, g = 0, b = 0;
    bool trasparente = false;
    constexpr bool operator==(const Colore&) const = default;
    constexpr int valore() const { return r + g * 256 + b * 65536; }
};
inline constexpr Colore kNero{0, 0, 0};
inline constexpr Colore kRosso{255, 0, 0};
inline constexpr Colore kVerde{0, 255, 0};
inline constexpr Colore kGiallo{255, 255, 0};
inline constexpr Colore kBianco{255, 255, 255};
inline constexpr Colore kBlu{0, 0, 255};
inline constexpr Colore kTrasparente{0, 0, 0, true};

// Common state of every control: enabled and visible.
class Controllo : public QObject {
    Q_OBJECT
public:
    explicit Controllo(QString nome, QObject* parent = nullptr) : QObject(parent), m_nome(std::move(nome)) {}
    const QString& nome() const { return m_nome; }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool e);
    bool visible() const { return m_visible; }
    void setVisible(bool v);
signals:
    void statoCambiato();  // enabled or visible changed
private:
    QString m_nome;
    bool m_enabled = true;
    bool m_visible = true;
};

// Multi-select list box. The selection signal fires for changes made by code too (only when the
// selection of an entry really changes), so handlers that set selections run their dependants
// before the call returns.
class Lista : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    void clear();
    void addItem(const QString& testo);
    int count() const { return int(m_voci.size()); }
    QString item(int i) const { return (i >= 0 && i < count()) ? m_voci[i] : QString(); }
    void setItem(int i, const QString& testo);
    bool selected(int i) const { return i >= 0 && i < count() && m_sel[i]; }
    void setSelected(int i, bool s);
    int selectedCount() const;
    int listIndex() const { return m_listIndex; }  // entry last clicked or selected
    void setListIndex(int i) { m_listIndex = i; }
    int topIndex() const { return m_top; }
    void setTopIndex(int i);
    const QStringList& voci() const { return m_voci; }
signals:
    void vociCambiate();        // entries added, removed or rewritten
    void voceCambiata(int i);   // one entry rewritten
    void selezioneCambiata();   // the Click event
    void topCambiato(int i);
private:
    QStringList m_voci;
    QVector<bool> m_sel;
    int m_listIndex = -1;
    int m_top = 0;
};

// Text box: text with a change event, and a key filter (KeyPress: set ascii to 0 to drop a key).
class CasellaTesto : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    const QString& text() const { return m_testo; }
    void setText(const QString& t);
    // Runs the key filter; returns the key to insert (0 = dropped).
    int keyPress(int ascii);
    // Types one character as a user would: filter, then append.
    void digita(QChar c);
    std::function<void(int& ascii)> filtroTasti;
    Colore foreColor = kNero;
    Colore backColor = kBianco;
    int alignment = 0;  // 0 left, 1 right, 2 centre
    double larghezza = 1.0;  // share of its full width shown (progress bar), or a width in twips
    int lunghezzaMassima = 0;  // 0: no limit
signals:
    void change();  // the Change event
private:
    QString m_testo;
};

class Etichetta : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    const QString& caption() const { return m_caption; }
    void setCaption(const QString& c);
    Colore foreColor() const { return m_fore; }
    void setForeColor(const Colore& c);
    Colore backColor() const { return m_back; }
    void setBackColor(const Colore& c);
    bool opaque() const { return m_opaque; }
    void setOpaque(bool o);
signals:
    void change();
    void aspettoCambiato();
private:
    QString m_caption;
    Colore m_fore = kNero;
    Colore m_back = kTrasparente;
    bool m_opaque = false;
};

class Pulsante : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    const QString& caption() const { return m_caption; }
    void setCaption(const QString& c);
    // A click as the user makes it: ignored while the button or its panel is disabled is the
    // window's business; models always run the handler.
    void click() { emit clicked(); }
signals:
    void clicked();
    void captionCambiata();
private:
    QString m_caption;
};

class CasellaControllo : public Controllo {  // check box
    Q_OBJECT
public:
    using Controllo::Controllo;
    QString caption;
    bool value() const { return m_value; }
    void setValue(bool v);
signals:
    void click();
private:
    bool m_value = false;
};

// Option button; the buttons of one array form a group where selecting one clears the others.
class Opzione : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    QString caption;
    bool value() const { return m_value; }
    void setValue(bool v);
    QVector<Opzione*> gruppo;
signals:
    void click();
private:
    bool m_value = false;
};

class Pannello : public Controllo {  // frame
    Q_OBJECT
public:
    using Controllo::Controllo;
    QString caption;
    void click() { emit clicked(); }
signals:
    void clicked();
};

class Combo : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    const QString& text() const { return m_testo; }
    void setText(const QString& t);
    QStringList voci;
signals:
    void change();
private:
    QString m_testo;
};

// Folder and file chooser of the import (drive, folder and file lists).
class SceltaFile : public Controllo {
    Q_OBJECT
public:
    using Controllo::Controllo;
    const QString& path() const { return m_path; }
    void setPath(const QString& p);
    QString pattern = QStringLiteral("*.*");
signals:
    void change();
private:
    QString m_path;
};

// The minute timer: a QTimer, or a clock the caller advances by hand (tests), so that minutes of
// waiting run in no time and exactly when wanted.
class Temporizzatore : public QObject {
    Q_OBJECT
public:
    Temporizzatore();
    void start();
    void stop();
    bool isActive() const { return m_attivo; }
    int interval() const { return m_intervallo; }
    void setInterval(int ms);
    // From now on ticks come only from avanza(); the real timer never fires.
    void usaOrologioManuale();
    // Lets ms milliseconds pass on the manual clock: one timeout per whole interval elapsed
    // while the timer runs (a handler may stop it between two ticks).
    void avanza(qint64 ms);
signals:
    void timeout();
private:
    QTimer m_timer;
    bool m_attivo = false;
    bool m_manuale = false;
    int m_intervallo = 0;
    qint64 m_trascorsi = 0;  // manual clock: time since the last tick or start
};

// Every control of the window frmBase, by its name and index.
struct Controlli {
    Controlli();
    Controlli(const Controlli&) = delete;
    Controlli& operator=(const Controlli&) = delete;

    // The window itself: its caption.
    Etichetta frmBase{"frmBase"};

    std::array<Pannello*, 20> frmframe{};  // panels 0..19

    CasellaTesto txtCosa{"txtCosa"};
    CasellaControllo chkCoord{"chkCoord"};
    CasellaControllo chkMemoria{"chkMemoria"};  // use the coordinate memory
    CasellaTesto txtConnessioni{"txtConnessioni"};  // requests at once to the services
    static constexpr int kConnessioniPredefinite = 4, kConnessioniMassime = 16;
    // Requests at once a run may make, from txtConnessioni (empty: the default), which then shows it.
    int Connessioni();
    std::array<CasellaControllo*, 2> chkRicerca{};  // 0 Gialle, 1 Bianche
    CasellaControllo chkOsm{"chkOsm"};               // OpenStreetMap, beside the two directories
    CasellaTesto txtFileOsm{"txtFileOsm"};           // extract file; empty: online (Overpass)
    Etichetta lblOsm{"lblOsm"};                      // the data's attribution, while the source is used
    std::array<Etichetta*, 4> lblOrigine{};
    Pulsante cmdDupl{"cmdDupl"};
    CasellaTesto txtDupl{"txtDupl"};
    std::array<Opzione*, 2> optIntegr{};  // 0 No, 1 Si

    Pulsante cmdSalva{"cmdSalva"};
    Pulsante cmdCarica{"cmdCarica"};
    std::array<Pulsante*, 5> cmdImporta{};
    Etichetta lblFine{"lblFine"};
    Etichetta lblRicerca{"lblRicerca"};
    std::array<Etichetta*, 2> Label7{};

    std::array<CasellaControllo*, 5> chkOutput{};  // 0 ov2, 1 xls, 2 txt, 3 gpx, 4 kml
    std::array<CasellaControllo*, 2> chkArea{};    // 0 Unico, 1 Regionale
    CasellaControllo chkOv2Semplice{"chkOv2Semplice"};  // OV2 without the index blocks

    Lista lstRegioni{"lstRegioni"};
    Lista lstProv{"lstProv"};
    Lista lstComuni{"lstComuni"};
    std::array<Pulsante*, 6> cmdSelez{};

    CasellaTesto txtRec{"txtRec"};
    CasellaTesto txtRegione{"txtRegione"};
    CasellaTesto txtProv{"txtProv"};
    CasellaTesto txtComune{"txtComune"};
    std::array<CasellaTesto*, 2> txtPag{};
    CasellaTesto txt100{"txt100"};
    CasellaTesto txtPerc{"txtPerc"};
    Etichetta lblPerc{"lblPerc"};
    Etichetta lblAvanz{"lblAvanz"};
    Etichetta lblTent{"lblTent"};
    std::array<Etichetta*, 2> lblLocalita{};

    Griglia mfgFind{"mfgFind"};

    Combo cmbCancella{"cmbCancella"};
    Etichetta lblNomefile{"lblNomefile"};
    std::array<Pulsante*, 7> cmdImp{};

    SceltaFile drvList{"drvList"};
    SceltaFile DirList{"DirList"};
    Lista lstFile{"lstFile"};
    Pulsante cmdRinuncia{"cmdRinuncia"};

    Griglia mfgImp{"mfgImp"};

    std::array<CasellaTesto*, 8> txtIntest{};
    std::array<CasellaTesto*, 8> txtManuale{};
    Etichetta lblesito{"lblesito"};

    std::array<Opzione*, 3> optScelta{};
    std::array<Pulsante*, 2> cmdScelta{};

    Pulsante cmdFine{"cmdFine"};
    Temporizzatore tmrClock;
    CasellaTesto txtIstruzioni{"txtIstruzioni"};
    Etichetta lblCopyr{"lblCopyr"};
    Etichetta Label3{"Label3"};

    // Sets Enabled of every panel frmframe(0..19).
    void BloccaFrame(bool modo);

private:
    QObject m_proprietario;  // owns the controls of the arrays
};

}  // namespace gm
