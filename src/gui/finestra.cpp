#include "gui/finestra.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/form.h"

namespace gm {

namespace {
QMessageBox::Icon icona(Icona i) {
    switch (i) {
    case Icona::Critica: return QMessageBox::Critical;
    case Icona::Domanda: return QMessageBox::Question;
    case Icona::Esclamazione: return QMessageBox::Warning;
    case Icona::Informazione: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QString testoSchermo(const QString& t) { return QString(t).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QColor colore(const Colore& c) { return QColor(c.r, c.g, c.b); }

// Ground of the markers and of the arrow row: yellow and white signs need a dark one.
const QColor kSfondoSegni(40, 40, 48);

// A run locks every panel, the progress strip and the record table too; what they show stays
// as readable as before (colours of the active state), only their greyed frames say "locked".
void LeggibileDaBloccato(QWidget* w) {
    QPalette p = w->palette();
    for (auto ruolo : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::Base,
                       QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, ruolo, p.color(QPalette::Active, ruolo));
    w->setPalette(p);
}

}  // namespace

void DialoghiFinestra::messaggio(const QString& testo, const QString& titolo, Icona i) {
    QMessageBox box(icona(i), titolo.isEmpty() ? kTitoloProgramma : titolo, testoSchermo(testo), QMessageBox::Ok);
    box.exec();
}

bool DialoghiFinestra::domanda(const QString& testo, const QString& titolo, Icona i) {
    QMessageBox box(icona(i), titolo.isEmpty() ? kTitoloProgramma : titolo, testoSchermo(testo),
                    QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    return box.exec() == QMessageBox::Yes;
}

// The progress bar: txt100 is the whole box, txtPerc the filled part drawn over its left side.
class BarraAvanzamento : public QWidget {
public:
    BarraAvanzamento(CasellaTesto& tutto, CasellaTesto& parte, QWidget* parent)
        : QWidget(parent), tutto(tutto), parte(parte) {
        setObjectName(tutto.nome());
        setMinimumHeight(fontMetrics().height() + 8);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        for (CasellaTesto* t : {&tutto, &parte}) {
            connect(t, &CasellaTesto::change, this, qOverload<>(&QWidget::update));
            connect(t, &Controllo::statoCambiato, this, qOverload<>(&QWidget::update));
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.fillRect(r, colore(tutto.backColor));
        const QRect dentro = r.adjusted(4, 0, -4, 0);
        p.setPen(colore(tutto.foreColor));
        p.drawText(dentro, allineamento(tutto.alignment) | Qt::AlignVCenter, tutto.text());
        if (parte.visible()) {
            const int larghezza = int(r.width() * std::clamp(parte.larghezza, 0.0, 1.0));
            const QRect pieno(r.left(), r.top(), larghezza, r.height());
            p.fillRect(pieno, colore(parte.backColor));
            p.save();
            p.setClipRect(pieno);
            QFont f(QStringLiteral("Arial Narrow"));
            f.setStretch(QFont::SemiCondensed);
            p.setFont(f);
            p.setPen(colore(parte.foreColor));
            p.drawText(pieno.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, parte.text());
            p.restore();
        }
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
    }

private:
    static Qt::Alignment allineamento(int a) {
        return a == 1 ? Qt::AlignRight : a == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    }
    CasellaTesto& tutto;
    CasellaTesto& parte;
};

// The middle of the window: the record table's panel fills it, and gives up its lower part to
// the panels that work with it (manual entry, column mapping), so that no row hides behind them;
// the other pop-up panels lie over it, centred or beside a row; the instructions cover it all.
class AreaCentrale : public QWidget {
public:
    enum Posto { Pieno, Tabella, Centro, Basso, Ancorato };
    explicit AreaCentrale(QWidget* parent) : QWidget(parent) {}
    void aggiungi(QWidget* w, Posto posto) {
        if (w->parentWidget() != this) w->setParent(this);
        if (posto == Tabella) m_tabella = w;
        m_figli.append({w, posto});
        w->installEventFilter(this);
        disponi();
    }
    // A panel placed beside a row: just below it, or above it when there is no room below.
    void ancora(const QRect& riga) {
        m_riga = riga;
        disponi();
    }
    void disponi() {
        const QRect area = rect();
        int basso = 0;  // height the bottom panel takes while shown
        for (const auto& [w, posto] : m_figli) {
            if (posto != Basso || w->isHidden()) continue;
            const QSize s = w->sizeHint().expandedTo(w->minimumSizeHint());
            // Panels at the bottom work with the record table (a click on one of its columns,
            // a look at its rows): its header and a few rows stay in sight above them.
            const int riserva = std::max(std::min(area.height() / 3, 150),
                                         m_tabella ? m_tabella->minimumSizeHint().height() : 0);
            const int h = std::min(area.height(),
                                   std::max(std::min(s.height(), area.height() - riserva), w->minimumSizeHint().height()));
            w->setGeometry(QRect(area.left(), area.bottom() + 1 - h, area.width(), h));
            basso = std::max(basso, h + 4);
        }
        for (const auto& [w, posto] : m_figli) {
            const QSize s = w->sizeHint().expandedTo(w->minimumSizeHint());
            switch (posto) {
            case Pieno:
                w->setGeometry(area);
                break;
            case Tabella:
                w->setGeometry(area.adjusted(0, 0, 0, -basso));
                break;
            case Centro: {
                const int l = std::min(area.width() - 24, std::max(s.width(), 520));
                const int h = std::min(area.height() - 16, s.height());
                w->setGeometry(QRect(area.center().x() - l / 2, area.center().y() - h / 2, l, h));
                break;
            }
            case Ancorato: {
                const int l = std::min(area.width(), s.width());
                const int h = std::min(area.height(), s.height());
                int y = m_riga.bottom() + 1;
                if (y + h > area.bottom() + 1) y = m_riga.top() - h;
                y = std::clamp(y, 0, std::max(0, area.height() - h));
                const int x = std::clamp(m_riga.left() + 40, 0, std::max(0, area.width() - l));
                w->setGeometry(QRect(x, y, l, h));
                break;
            }
            case Basso:
                break;
            }
        }
    }

protected:
    void resizeEvent(QResizeEvent*) override { disponi(); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            static_cast<QWidget*>(o)->raise();
            disponi();
        } else if (e->type() == QEvent::Hide || e->type() == QEvent::LayoutRequest) {
            disponi();
        }
        return false;
    }

private:
    struct Figlio {
        QWidget* w;
        Posto posto;
    };
    QList<Figlio> m_figli;
    QWidget* m_tabella = nullptr;
    QRect m_riga;
};

Finestra::Finestra(Form& form, QWidget* parent) : QMainWindow(parent), f(form) {
    setObjectName(QStringLiteral("frmBase"));
    auto* centro = new QWidget(this);
    auto* v = new QVBoxLayout(centro);
    v->setContentsMargins(8, 4, 8, 8);
    v->setSpacing(6);
    v->addWidget(creaTitolo(centro));
    v->addWidget(creaRicerca(centro));
    v->addWidget(creaCentro(centro), 1);
    v->addWidget(creaAvanzamento(centro));
    setCentralWidget(centro);

    setWindowTitle(f.c.frmBase.caption());
    connect(&f.c.frmBase, &Etichetta::change, this, [this] { setWindowTitle(f.c.frmBase.caption()); });

    f.av.terminaProgramma = [this] { terminaProgramma(); };
    // Nothing runs once every handler has returned: a timer tick then finds no operation.
    f.av.operazioneInCorso = [this] { return m_legami.profondita() > 0; };
    f.av.segnaleAcustico = [] { QApplication::beep(); };
    m_legami.dopoGestore = [this] { chiudiSePossibile(); };
    m_legami.aggiornaProprieta();
    adattaAlloSchermo();
}

Finestra::~Finestra() {
    // The form may outlive its window: its hooks must not call into a window that is gone.
    f.av.terminaProgramma = nullptr;
    f.av.operazioneInCorso = nullptr;
    f.av.segnaleAcustico = nullptr;
}

void Finestra::adattaAlloSchermo() {
    // The size the layout was drawn for, as far as the screen allows, and centred on it.
    const QRect schermo = screen()->availableGeometry();
    const QSize cornice = frameGeometry().size() - geometry().size();  // known once shown
    const QSize spazio = schermo.size() - cornice;
    resize(QSize(1280, 800).boundedTo(spazio).expandedTo(minimumSizeHint().boundedTo(spazio)));
    const QSize fuori = size() + cornice;
    move(schermo.left() + std::max(0, (schermo.width() - fuori.width()) / 2),
         schermo.top() + std::max(0, (schermo.height() - fuori.height()) / 2));
}

void Finestra::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // A window manager adds its frame only once the window is shown: fit and centre again then.
    if (!m_adattata) {
        m_adattata = true;
        QTimer::singleShot(0, this, [this] {
            if (frameGeometry().size() != geometry().size()) adattaAlloSchermo();
        });
    }
}

QGroupBox* Finestra::pannello(int indice, QWidget* parent) {
    Pannello& m = *f.c.frmframe[indice];
    auto* g = new QGroupBox(m.caption, parent);
    g->setObjectName(m.nome());
    g->setAutoFillBackground(true);  // pop-up panels cover the table below them
    m_pannelli[indice] = g;
    if (indice == 12) {
        // The record table stays readable and scrollable while it is locked; the clicks that act
        // on it are refused instead (see eventFilter).
        auto visibile = [&m, g] { g->setVisible(m.visible()); };
        visibile();
        connect(&m, &Controllo::statoCambiato, g, visibile);
    } else {
        m_legami.stato(m, g);
    }
    auto titolo = [&m, g] {
        if (g->title() != m.caption) g->setTitle(m.caption);
    };
    connect(&m, &Controllo::statoCambiato, g, titolo);
    m_legami.ogniVolta(titolo);
    g->installEventFilter(this);
    return g;
}

QWidget* Finestra::creaTitolo(QWidget* parent) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    auto* immagine = new QLabel(w);  // Image1: a picture frame that shows no picture
    immagine->setObjectName(QStringLiteral("Image1"));
    h->addWidget(immagine);
    auto* titolo = new QLabel(w);
    m_legami.etichetta(f.c.Label3, titolo);
    QFont fo = titolo->font();
    fo.setPointSizeF(fo.pointSizeF() * 1.35);
    fo.setBold(true);
    titolo->setFont(fo);
    h->addWidget(titolo);
    h->addStretch(1);
    auto* copyr = new QLabel(w);
    m_legami.etichetta(f.c.lblCopyr, copyr);
    copyr->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    h->addWidget(copyr);
    return w;
}

QWidget* Finestra::creaRicerca(QWidget* parent) {
    Controlli& c = f.c;
    QGroupBox* ricerca = pannello(0, parent);
    auto* h = new QHBoxLayout(ricerca);
    h->setSpacing(8);

    // Category and extraction options.
    auto* sinistra = new QVBoxLayout;
    QGroupBox* p5 = pannello(5, ricerca);
    auto* l5 = new QVBoxLayout(p5);
    auto* cosa = new QLineEdit(p5);
    m_legami.testo(c.txtCosa, cosa);
    l5->addWidget(cosa);
    sinistra->addWidget(p5);

    QGroupBox* p3 = pannello(3, ricerca);
    auto* g3 = new QGridLayout(p3);
    g3->setVerticalSpacing(4);
    auto* coord = new QCheckBox(p3);
    m_legami.casella(c.chkCoord, coord);
    g3->addWidget(coord, 0, 0, 1, 4);
    g3->addWidget(new QLabel(QStringLiteral("Estrazione dal sito delle Pagine:"), p3), 1, 0, 1, 4);
    auto riga = new QHBoxLayout;
    for (int i = 0; i < 2; ++i) {
        auto* segno = new QLabel(p3);
        m_legami.etichetta(*c.lblOrigine[i], segno, kSfondoSegni);
        segno->setFixedWidth(14);
        segno->setAlignment(Qt::AlignCenter);
        auto* k = new QCheckBox(p3);
        m_legami.casella(*c.chkRicerca[i], k);
        riga->addWidget(segno);
        riga->addWidget(k);
        riga->addSpacing(6);
    }
    riga->addStretch(1);
    g3->addLayout(riga, 2, 0, 1, 4);
    auto* dupl = new QPushButton(p3);
    m_legami.pulsante(c.cmdDupl, dupl);
    auto* tolleranza = new QLineEdit(p3);
    m_legami.testo(c.txtDupl, tolleranza);
    tolleranza->setFixedWidth(52);
    // Requests at once share the button's row: the panel stays low.
    auto* rigaPulsante = new QHBoxLayout;
    rigaPulsante->addWidget(dupl);
    rigaPulsante->addStretch(1);
    auto* connessioni = new QLineEdit(p3);
    m_legami.testo(c.txtConnessioni, connessioni);
    connessioni->setFixedWidth(30);
    connessioni->setMaxLength(2);
    const QString spiega = QStringLiteral("Richieste contemporanee ai servizi durante la ricerca (da 1 a %1; "
                                          "1: una alla volta)")
                               .arg(Controlli::kConnessioniMassime);
    connessioni->setToolTip(spiega);
    auto* etichettaConnessioni = new QLabel(QStringLiteral("Connessioni:"), p3);
    etichettaConnessioni->setToolTip(spiega);
    etichettaConnessioni->setBuddy(connessioni);
    rigaPulsante->addWidget(etichettaConnessioni);
    rigaPulsante->addWidget(connessioni);
    g3->addLayout(rigaPulsante, 3, 0, 1, 4);
    auto* rigaDupl = new QHBoxLayout;
    rigaDupl->addWidget(new QLabel(QStringLiteral("Tolleranza:"), p3));
    rigaDupl->addWidget(tolleranza);
    rigaDupl->addWidget(new QLabel(QStringLiteral("metri"), p3));
    rigaDupl->addStretch(1);
    g3->addLayout(rigaDupl, 4, 0, 1, 4);
    auto* rigaIntegr = new QHBoxLayout;
    rigaIntegr->addWidget(new QLabel(QStringLiteral("Integrazione:"), p3));
    QVector<QRadioButton*> integr;
    for (int k = 0; k < 2; ++k) {
        auto* r = new QRadioButton(p3);
        rigaIntegr->addWidget(r);
        integr.append(r);
    }
    rigaIntegr->addStretch(1);
    m_legami.opzioni({c.optIntegr[1], c.optIntegr[0]}, integr);
    g3->addLayout(rigaIntegr, 5, 0, 1, 4);
    auto* memoria = new QCheckBox(p3);
    m_legami.casella(c.chkMemoria, memoria);
    g3->addWidget(memoria, 6, 0, 1, 4);
    // OpenStreetMap from an extract file instead of online, and the data's attribution.
    // The source's box shares the row of its extract file: the panel stays narrow and low.
    auto* rigaOsm = new QHBoxLayout;
    auto* osm = new QCheckBox(p3);
    m_legami.casella(c.chkOsm, osm);
    rigaOsm->addWidget(osm);
    auto* fileOsm = new QLineEdit(p3);
    fileOsm->setPlaceholderText(QStringLiteral("estratto: nessuno, in linea"));
    fileOsm->setToolTip(QStringLiteral("Estratto OpenStreetMap (.osm.pbf, .osm); vuoto: in linea"));
    m_legami.testo(c.txtFileOsm, fileOsm);
    fileOsm->setMinimumWidth(50);  // the font's widest glyph would set a wider minimum
    rigaOsm->addWidget(fileOsm, 1);
    auto* sfogliaOsm = new QPushButton(QStringLiteral("..."), p3);
    sfogliaOsm->setObjectName(QStringLiteral("cmdFileOsm"));
    sfogliaOsm->setFixedWidth(28);
    connect(sfogliaOsm, &QPushButton::clicked, this, [this] {
        const QString scelto = QFileDialog::getOpenFileName(
            this, QStringLiteral("Estratto OpenStreetMap"), QString(),
            QStringLiteral("Estratti OpenStreetMap (*.osm.pbf *.pbf *.osm *.osm.bz2 *.osm.gz);;Tutti i file (*)"));
        if (!scelto.isEmpty()) f.c.txtFileOsm.setText(scelto);
    });
    rigaOsm->addWidget(sfogliaOsm);
    g3->addLayout(rigaOsm, 7, 0, 1, 4);
    auto* attribuzione = new QLabel(p3);
    m_legami.etichetta(c.lblOsm, attribuzione);
    attribuzione->setWordWrap(true);
    g3->addWidget(attribuzione, 8, 0, 1, 4);
    // Columns side by side keep the search panel low: the record table gets the height.
    auto* estrazione = new QVBoxLayout;
    estrazione->addWidget(p3);
    estrazione->addStretch(1);

    // Commands and output choices.
    auto* mezzo = new QVBoxLayout;
    QGroupBox* p4 = pannello(4, ricerca);
    auto* g4 = new QGridLayout(p4);
    g4->setSpacing(4);
    // A coloured label behind a button shows as a frame around it.
    auto dietro = [this](Etichetta& etichetta, Pulsante& pulsante, QWidget* parent) {
        auto* fondo = new QLabel(parent);
        m_legami.etichetta(etichetta, fondo);
        auto* l = new QVBoxLayout(fondo);
        l->setContentsMargins(2, 2, 2, 2);
        auto* b = new QPushButton(fondo);
        m_legami.pulsante(pulsante, b);
        l->addWidget(b);
        // The button keeps the style's own colours, not the label's.
        b->setPalette(QApplication::palette(b));
        // A label sizes itself by its text; the frame must fit the button.
        fondo->setMinimumSize(b->sizeHint() + QSize(4, 4));
        return fondo;
    };
    // Seven commands, two to a row: search and save, then the five of the command array.
    g4->addWidget(dietro(c.lblRicerca, c.cmdCarica, p4), 0, 0);
    g4->addWidget(dietro(*c.Label7[0], c.cmdSalva, p4), 0, 1);
    g4->addWidget(dietro(*c.Label7[1], *c.cmdImporta[0], p4), 1, 0);
    for (int i = 1; i < 5; ++i) {
        auto* b = new QPushButton(p4);
        m_legami.pulsante(*c.cmdImporta[i], b);
        const int cella = i + 2;  // cells 3..6 after the three framed buttons
        g4->addWidget(b, cella / 2, cella % 2);
    }
    mezzo->addWidget(p4);

    QGroupBox* p8 = pannello(8, ricerca);
    auto* g8 = new QGridLayout(p8);
    g8->setVerticalSpacing(2);
    int r8 = 0;
    for (int i : {2, 1, 0, 3, 4}) {
        auto* k = new QCheckBox(p8);
        m_legami.casella(*c.chkOutput[i], k);
        g8->addWidget(k, r8++, 0);
    }
    auto* ambito = new QLabel(QStringLiteral("&Ambito (ov2):"), p8);
    g8->addWidget(ambito, 0, 1);
    for (int i = 0; i < 2; ++i) {
        auto* k = new QCheckBox(p8);
        m_legami.casella(*c.chkArea[i], k);
        g8->addWidget(k, i + 1, 1);
        if (i == 0) ambito->setBuddy(k);
    }
    auto* semplice = new QCheckBox(p8);
    m_legami.casella(c.chkOv2Semplice, semplice);
    g8->addWidget(semplice, r8, 0, 1, 2);  // its own row: the panel column stays narrow
    sinistra->addWidget(p8);
    sinistra->addStretch(1);
    mezzo->addStretch(1);
    h->addLayout(sinistra, 0);
    h->addLayout(estrazione, 0);
    h->addLayout(mezzo, 0);

    // The three area lists.
    struct {
        int pannello;
        Lista* lista;
        int pulsante;
    } liste[3] = {{1, &c.lstRegioni, 0}, {17, &c.lstProv, 2}, {2, &c.lstComuni, 4}};
    for (const auto& l : liste) {
        QGroupBox* p = pannello(l.pannello, ricerca);
        auto* vl = new QVBoxLayout(p);
        auto* w = new QListWidget(p);
        w->setSelectionMode(QAbstractItemView::MultiSelection);
        w->setMinimumHeight(110);
        // The lists take the height the other columns need, not more: the table gets the rest.
        w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
        w->setMinimumWidth(120);
        m_legami.lista(*l.lista, w);
        vl->addWidget(w, 1);
        auto* pulsanti = new QHBoxLayout;
        for (int k = 0; k < 2; ++k) {
            auto* b = new QPushButton(p);
            m_legami.pulsante(*c.cmdSelez[l.pulsante + k], b);
            b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 16);
            pulsanti->addWidget(b);
        }
        vl->addLayout(pulsanti);
        h->addWidget(p, 1);
    }
    return ricerca;
}

QWidget* Finestra::creaCentro(QWidget* parent) {
    Controlli& c = f.c;
    auto* area = new AreaCentrale(parent);
    m_area = area;
    area->setMinimumHeight(220);

    QGroupBox* p12 = pannello(12, area);
    auto* l12 = new QVBoxLayout(p12);
    l12->setContentsMargins(4, 4, 4, 4);
    m_find = new QTableView(p12);
    m_legami.griglia(c.mfgFind, m_find);
    m_find->setMaximumHeight(m_find->verticalHeader()->defaultSectionSize() * 11 + 8);
    l12->addWidget(m_find);
    m_tab = new QTableView(p12);
    m_legami.griglia(f.tab.mfgTab, m_tab);
    l12->addWidget(m_tab, 1);
    for (QTableView* t : {m_tab, m_find}) t->viewport()->installEventFilter(this);
    QHeaderView* intestazione = m_tab->horizontalHeader();
    connect(intestazione, &QHeaderView::sectionPressed, this, [this](int s) {
        if (f.c.frmframe[12]->enabled()) f.tab.mfgTab.col = s;
    });
    connect(intestazione, &QHeaderView::sectionDoubleClicked, this, [this](int s) {
        if (!f.c.frmframe[12]->enabled()) return;
        f.tab.mfgTab.col = s;
        m_legami.esegui([this] { f.com.mfgTab_DblClick(); });
    });
    area->aggiungi(p12, AreaCentrale::Tabella);

    creaPopup(area);

    m_istruzioni = new QPlainTextEdit(area);
    m_istruzioni->setObjectName(c.txtIstruzioni.nome());
    m_istruzioni->setReadOnly(true);
    m_istruzioni->setTextInteractionFlags(Qt::NoTextInteraction);
    m_istruzioni->viewport()->setCursor(Qt::PointingHandCursor);
    QPalette pi = m_istruzioni->palette();
    pi.setColor(QPalette::Base, QColor(255, 255, 225));
    m_istruzioni->setPalette(pi);
    auto istruzioni = [this, &c] {
        const QString t = testoSchermo(c.txtIstruzioni.text());
        if (m_istruzioni->toPlainText() != t) m_istruzioni->setPlainText(t);
    };
    istruzioni();
    connect(&c.txtIstruzioni, &CasellaTesto::change, m_istruzioni, istruzioni);
    m_legami.stato(c.txtIstruzioni, m_istruzioni);
    m_istruzioni->viewport()->installEventFilter(this);
    area->aggiungi(m_istruzioni, AreaCentrale::Pieno);
    return area;
}

void Finestra::creaPopup(AreaCentrale* area) {
    Controlli& c = f.c;
    auto pulsanti = [this, &c](std::initializer_list<int> indici, QWidget* parent) {
        auto* h = new QHBoxLayout;
        h->addStretch(1);
        for (int i : indici) {
            auto* b = new QPushButton(parent);
            m_legami.pulsante(*c.cmdImp[i], b);
            h->addWidget(b);
        }
        return h;
    };

    // Word list for OV2 names (6 holds 10).
    QGroupBox* p6 = pannello(6, area);
    auto* l6 = new QVBoxLayout(p6);
    QGroupBox* p10 = pannello(10, p6);
    auto* l10 = new QVBoxLayout(p10);
    auto* parole = new QComboBox(p10);
    m_legami.combo(c.cmbCancella, parole);
    parole->setMinimumWidth(560);
    l10->addWidget(parole);
    auto* nomeFile = new QLabel(p10);
    m_legami.etichetta(c.lblNomefile, nomeFile);
    l10->addWidget(nomeFile);
    l10->addLayout(pulsanti({5, 6}, p10));
    l6->addWidget(p10);
    area->aggiungi(p6, AreaCentrale::Centro);

    // File search of the import (13 holds 16).
    QGroupBox* p13 = pannello(13, area);
    auto* l13 = new QVBoxLayout(p13);
    QGroupBox* p16 = pannello(16, p13);
    auto* g16 = new QGridLayout(p16);
    auto* unita = new QComboBox(p16);
    unita->setObjectName(c.drvList.nome());
    m_legami.stato(c.drvList, unita);
    for (const QFileInfo& d : QDir::drives()) unita->addItem(QDir::toNativeSeparators(d.absoluteFilePath()));
    connect(unita, &QComboBox::activated, this, [this, unita](int i) {
        const QString p = QDir::fromNativeSeparators(unita->itemText(i));
        m_legami.esegui([this, p] { f.c.drvList.setPath(p); });
    });
    auto* percorso = new QLabel(p16);
    percorso->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* cartelle = new QListWidget(p16);
    cartelle->setObjectName(c.DirList.nome());
    m_legami.stato(c.DirList, cartelle);
    auto riempi = [this, cartelle, percorso] {
        const QString p = f.c.DirList.path();
        percorso->setText(QDir::toNativeSeparators(p));
        cartelle->clear();
        if (p.isEmpty()) return;
        QDir dir(p);
        if (!dir.isRoot()) cartelle->addItem(QStringLiteral(".."));
        cartelle->addItems(dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    };
    riempi();
    connect(&c.DirList, &SceltaFile::change, cartelle, riempi);
    connect(cartelle, &QListWidget::itemActivated, this, [this](QListWidgetItem* it) {
        const QString p = QDir::cleanPath(QDir(f.c.DirList.path()).absoluteFilePath(it->text()));
        m_legami.esegui([this, p] { f.c.DirList.setPath(p); });
    });
    auto* file = new QListWidget(p16);
    file->setSelectionMode(QAbstractItemView::SingleSelection);
    m_legami.lista(c.lstFile, file);
    auto* rinuncia = new QPushButton(p16);
    m_legami.pulsante(c.cmdRinuncia, rinuncia);
    g16->addWidget(unita, 0, 0);
    g16->addWidget(percorso, 1, 0);
    g16->addWidget(cartelle, 2, 0);
    g16->addWidget(new QLabel(QStringLiteral("File:"), p16), 0, 1);
    g16->addWidget(file, 1, 1, 2, 1);
    g16->addWidget(rinuncia, 3, 1, Qt::AlignRight);
    p16->setMinimumSize(620, 200);
    l13->addWidget(p16);
    area->aggiungi(p13, AreaCentrale::Centro);

    // Column mapping of the import.
    QGroupBox* p9 = pannello(9, area);
    auto* l9 = new QVBoxLayout(p9);
    m_imp = new QTableView(p9);
    m_legami.griglia(c.mfgImp, m_imp);
    m_imp->setMinimumHeight(m_imp->verticalHeader()->defaultSectionSize() * 4 + 8);
    m_imp->viewport()->installEventFilter(this);
    connect(m_imp->horizontalHeader(), &QHeaderView::sectionPressed, this, [this](int s) {
        f.c.mfgImp.col = s;
        m_legami.esegui([this] { f.imp.mfgImp_Click(); });
    });
    l9->addWidget(m_imp);
    auto* spiega = new QLabel(QStringLiteral("Per l'abbinamento, clicca sulla colonna dei \"Record Trovati\" e, poi, "
                                             "qui sopra quella relativa."),
                              p9);
    spiega->setWordWrap(true);
    l9->addWidget(spiega);
    l9->addLayout(pulsanti({0, 1}, p9));
    area->aggiungi(p9, AreaCentrale::Basso);

    // "File being opened" notice.
    QGroupBox* p11 = pannello(11, area);
    auto* l11 = new QVBoxLayout(p11);
    auto* attesa = new QLabel(QStringLiteral("Ricerca/apertura file in corso..."), p11);
    attesa->setAlignment(Qt::AlignCenter);
    QFont fa = attesa->font();
    fa.setBold(true);
    attesa->setFont(fa);
    l11->addWidget(attesa);
    area->aggiungi(p11, AreaCentrale::Centro);

    // Manual entry: eight header boxes over eight input boxes, as wide as the table columns.
    QGroupBox* p19 = pannello(19, area);
    auto* g19 = new QGridLayout(p19);
    g19->setHorizontalSpacing(2);
    for (int k = 0; k < 8; ++k) {
        auto* intest = new QLineEdit(p19);
        m_legami.testo(*c.txtIntest[k], intest);
        auto* campo = new QLineEdit(p19);
        m_legami.testo(*c.txtManuale[k], campo);
        g19->addWidget(intest, 0, k);
        g19->addWidget(campo, 1, k);
        g19->setColumnStretch(k, std::max(1, f.tab.mfgTab.colWidth(k) / 50));
    }
    auto* esito = new QLabel(p19);
    m_legami.etichetta(c.lblesito, esito);
    auto* basso = pulsanti({3, 4, 2}, p19);
    basso->insertWidget(0, esito);
    g19->addLayout(basso, 2, 0, 1, 8);
    area->aggiungi(p19, AreaCentrale::Basso);

    // Row menu (14 holds 15).
    QGroupBox* p14 = pannello(14, area);
    auto* l14 = new QVBoxLayout(p14);
    QGroupBox* p15 = pannello(15, p14);
    auto* l15 = new QVBoxLayout(p15);
    QVector<QRadioButton*> scelte;
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(p15);
        l15->addWidget(r);
        scelte.append(r);
    }
    m_legami.opzioni({c.optScelta[0], c.optScelta[1], c.optScelta[2]}, scelte);
    auto* h15 = new QHBoxLayout;
    h15->addStretch(1);
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(p15);
        m_legami.pulsante(*c.cmdScelta[i], b);
        h15->addWidget(b);
    }
    l15->addLayout(h15);
    l14->addWidget(p15);
    area->aggiungi(p14, AreaCentrale::Ancorato);
}

QWidget* Finestra::creaAvanzamento(QWidget* parent) {
    Controlli& c = f.c;
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);

    QGroupBox* p18 = pannello(18, w);
    auto* v = new QVBoxLayout(p18);
    v->setSpacing(4);
    auto* campi = new QHBoxLayout;
    auto campo = [&](const QString& etichetta, CasellaTesto& m, int larghezza, QLabel* lbl = nullptr) {
        if (!lbl) lbl = new QLabel(etichetta, p18);
        campi->addWidget(lbl);
        auto* t = new QLineEdit(p18);
        t->setReadOnly(true);
        t->setFocusPolicy(Qt::NoFocus);
        t->setMinimumWidth(larghezza);
        m_legami.testo(m, t);
        campi->addWidget(t, larghezza);
        campi->addSpacing(6);
    };
    campo(QStringLiteral("Rec.:"), c.txtRec, 60);
    campo(QStringLiteral("Regione:"), c.txtRegione, 150);
    campo(QStringLiteral("Pr.:"), c.txtProv, 130);
    auto* localita = new QLabel(p18);
    m_legami.etichetta(*c.lblLocalita[0], localita);
    campo(QString(), c.txtComune, 170, localita);
    campi->addWidget(new QLabel(QStringLiteral("Pagina:"), p18));
    auto* pag0 = new QLineEdit(p18);
    auto* pag1 = new QLineEdit(p18);
    for (auto [t, m] : {std::pair{pag0, c.txtPag[0]}, std::pair{pag1, c.txtPag[1]}}) {
        t->setReadOnly(true);
        t->setFocusPolicy(Qt::NoFocus);
        t->setFixedWidth(48);
        t->setAlignment(Qt::AlignRight);
        m_legami.testo(*m, t);
    }
    campi->addWidget(pag0);
    campi->addWidget(new QLabel(QStringLiteral("di"), p18));
    campi->addWidget(pag1);
    v->addLayout(campi);

    auto* barra = new QHBoxLayout;
    barra->addWidget(new BarraAvanzamento(c.txt100, c.txtPerc, p18), 1);
    auto* perc = new QLabel(p18);
    m_legami.etichetta(c.lblPerc, perc);
    perc->setFont(QFont(QStringLiteral("Arial")));
    perc->setMinimumWidth(perc->fontMetrics().horizontalAdvance(QStringLiteral("> 100.00% - 40000/40000")) + 8);
    barra->addWidget(perc);
    auto* avanz = new QLabel(p18);
    m_legami.etichetta(c.lblAvanz, avanz, kSfondoSegni);
    avanz->setMinimumWidth(avanz->fontMetrics().horizontalAdvance(QStringLiteral(">>>>>>")) + 8);
    barra->addWidget(avanz);
    for (int i : {2, 3}) {
        auto* segno = new QLabel(p18);
        m_legami.etichetta(*c.lblOrigine[i], segno, kSfondoSegni);
        segno->setFixedWidth(16);
        segno->setAlignment(Qt::AlignCenter);
        barra->addWidget(segno);
    }
    auto* tent = new QLabel(p18);
    m_legami.etichetta(c.lblTent, tent);
    tent->setMinimumWidth(tent->fontMetrics().horizontalAdvance(QStringLiteral("****")) + 8);
    tent->setAlignment(Qt::AlignCenter);
    barra->addWidget(tent);
    v->addLayout(barra);
    for (QWidget* figlio : p18->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) LeggibileDaBloccato(figlio);
    h->addWidget(p18, 1);

    // The Stop / exit button lies outside every panel: locking the panels never disables it.
    auto* fondo = new QLabel(w);
    m_legami.etichetta(c.lblFine, fondo);
    auto* lf = new QVBoxLayout(fondo);
    lf->setContentsMargins(5, 5, 5, 5);
    auto* fine = new QPushButton(fondo);
    m_legami.pulsante(c.cmdFine, fine);
    fine->setMinimumSize(130, 52);
    QFont ff = fine->font();
    ff.setBold(true);
    fine->setFont(ff);
    lf->addWidget(fine);
    fine->setPalette(QApplication::palette(fine));
    fondo->setMinimumSize(fine->minimumSize() + QSize(10, 10));
    h->addWidget(fondo, 0, Qt::AlignVCenter);
    return w;
}

bool Finestra::eventFilter(QObject* o, QEvent* e) {
    const QEvent::Type t = e->type();
    if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonDblClick) return QMainWindow::eventFilter(o, e);
    auto* m = static_cast<QMouseEvent*>(e);
    if (m_istruzioni && o == m_istruzioni->viewport()) {
        if (t == QEvent::MouseButtonPress) m_legami.esegui([this] { f.txtIstruzioni_Click(); });
        return true;
    }
    for (QTableView* v : {m_tab, m_find, m_imp}) {
        if (v && o == v->viewport()) {
            // A locked table only scrolls (wheel and scroll bar): clicks change nothing.
            if (v != m_imp && !f.c.frmframe[12]->enabled()) return true;
            clicGriglia(v, m->position().toPoint(), m->button(), t == QEvent::MouseButtonDblClick);
            return true;
        }
    }
    for (int i = 0; i < int(m_pannelli.size()); ++i) {
        QWidget* p = m_pannelli[i];
        // Only a click on the panel itself (caption or empty area), not one passed up by a child.
        if (o != p || t != QEvent::MouseButtonPress || !p->isEnabled()) continue;
        if (p->childAt(m->position().toPoint())) return false;
        m_legami.esegui([this, i] { f.c.frmframe[i]->click(); });
        return true;
    }
    return QMainWindow::eventFilter(o, e);
}

void Finestra::clicGriglia(QTableView* vista, const QPoint& pos, Qt::MouseButton tasto, bool doppio) {
    auto* g = static_cast<Griglia*>(vista->model());
    const QModelIndex i = vista->indexAt(pos);
    if (i.isValid()) {
        g->row = i.row() + 1;
        g->col = i.column();
        vista->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    }
    if (vista == m_tab) {
        if (tasto == Qt::RightButton && i.isValid()) {
            // The row menu opens beside the clicked row.
            const QRect r = vista->visualRect(i);
            const QPoint sinistra = vista->viewport()->mapTo(m_area, QPoint(0, r.top()));
            m_area->ancora(QRect(sinistra, QSize(vista->viewport()->width(), r.height())));
        }
        if (doppio) m_legami.esegui([this] { f.com.mfgTab_DblClick(); });
        else if (i.isValid())
            m_legami.esegui([this, tasto] { f.com.mfgTab_MouseDown(tasto == Qt::RightButton ? 2 : 1, 0); });
    } else if (vista == m_find) {
        if (doppio && i.isValid()) m_legami.esegui([this] { f.man.mfgfind_DblClick(); });
    } else if (vista == m_imp) {
        if (!doppio && i.isValid()) m_legami.esegui([this] { f.imp.mfgImp_Click(); });
    }
}

void Finestra::terminaProgramma() {
    m_termina = true;
    chiudiSePossibile();
}

void Finestra::chiudiSePossibile() {
    // Never in the middle of a handler: a save interrupted here would lose its file.
    if ((m_termina || f.av.bChiusuraConfermata) && m_legami.profondita() == 0)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void Finestra::closeEvent(QCloseEvent* e) {
    if (m_termina || f.av.bChiusuraConfermata) {
        // While a handler is open the window stays; it closes once the handler has returned.
        if (m_legami.profondita() == 0) e->accept();
        else e->ignore();
        return;
    }
    // The title bar's close button is the exit button: the stop question while an operation
    // runs, otherwise the exit question.
    e->ignore();
    m_legami.esegui([this] { f.c.cmdFine.click(); });
}

}  // namespace gm
