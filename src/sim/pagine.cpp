#include "sim/pagine.h"

#include <QUrl>

namespace gm::sim {

using namespace marcatori;

int PagineDi(int n) { return std::min(kMaxPagine, (n + kPerPagina - 1) / kPerPagina); }

QString Html(const QString& t) {
    QString r = t;
    r.replace(u'&', QStringLiteral("&amp;"));
    r.replace(u'<', QStringLiteral("&lt;"));
    r.replace(u'>', QStringLiteral("&gt;"));
    r.replace(u'"', QStringLiteral("&quot;"));
    return r;
}

QString Valore(const QString& t) { return QString::fromLatin1(QUrl::toPercentEncoding(t)); }

QString Gradi(double v) { return QString::number(v, 'f', 7); }

namespace {

QString Intestazione(const QString& titolo, const QString& charset) {
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
           charset + QStringLiteral("\">\n<title>") + Html(titolo) + QStringLiteral("</title></head>\n<body>\n");
}
const QString kCoda = QStringLiteral("</body></html>\n");

QString Offset(int pagina) { return QString::number(pagina - 1) + u'0'; }

// The search again with another page offset, as the yellow pages' own links give it.
QString LinkGialle(const Ricerca& q, int pagina) {
    QString l = QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&amp;ts=1&amp;l=1&amp;cb=") + Valore(q.cb) +
                QStringLiteral("&amp;ind=&amp;nc=&amp;qs=") + Valore(q.cosa) + QStringLiteral("&amp;dv=") +
                Valore(q.luogo);
    if (!q.sigla.isEmpty()) l += QStringLiteral("&amp;pr=") + Valore(q.sigla);
    return l + QStringLiteral("&amp;be=") + Offset(pagina) + QStringLiteral("&amp;x=37&amp;y=14");
}

QString LinkBianche(const Ricerca& q, int pagina) {
    return QStringLiteral("/execute.cgi?be=") + Offset(pagina) +
           QStringLiteral("&amp;btt=1&amp;tl=2&amp;tr=101&amp;tc=&amp;cb=&amp;tq=2&amp;qs=") + Valore(q.cosa) +
           QStringLiteral("&amp;qsn=&amp;dv=") + Valore(q.luogo) + QStringLiteral("&amp;ind=&amp;nc=");
}

QString Contatore(int pagina, int pagine) {
    return QStringLiteral("pagina <b>%1</b> di <b>%2</b>").arg(pagina).arg(pagine);
}

template <class F>
QString Fetta(const QVector<Azienda>& tutte, int pagina, F voce) {
    QString s;
    const int da = (pagina - 1) * kPerPagina;
    for (int i = da; i < std::min<int>(int(tutte.size()), da + kPerPagina); ++i)
        if (i >= 0) s += voce(tutte[i]);
    return s;
}

}  // namespace

QString RisultatiGialle(const QVector<Azienda>& tutte, int pagina, const Ricerca& q) {
    const int pagine = PagineDi(int(tutte.size()));
    QString s = Intestazione(QStringLiteral("PagineGialle - ") + q.cosa + QStringLiteral(" a ") + q.luogo,
                             QStringLiteral("windows-1252"));
    s += QStringLiteral("<div id=\"testata\"><h1>") + Html(q.cosa) + QStringLiteral("</h1><p>Risultati per ") +
         Html(q.cosa) + QStringLiteral(" a ") + Html(q.luogo) + QStringLiteral(": %1</p></div>\n<div id=\"elenco\">\n")
                                                                   .arg(std::min<int>(int(tutte.size()), kPerPagina * kMaxPagine));
    if (pagina <= pagine)
        s += Fetta(tutte, pagina, [&q](const Azienda& a) {
            QString v = QStringLiteral("<div class=\"vcard\"><h3>") + Html(a.nome) + QStringLiteral("</h3><p>") + a.cap +
                        u' ' + Html(a.comune) + QStringLiteral(" (") + a.sigla + QStringLiteral(") - ") +
                        Html(a.indirizzoGialle()) + QStringLiteral("</p><p class=\"tel\">tel: ") + a.telefono;
            if (!a.telefonoSecondo.isEmpty()) v += QStringLiteral(", ") + a.telefonoSecondo;
            v += QStringLiteral("</p>");
            // The plain link is read by the result-page extraction, the absolute one behind
            // "interattiva" by the lookup of a single business.
            if (a.mappaGialle) {
                const QString mappa = QStringLiteral("/pg/cgi/mappe/build_map.cgi?cl=") + a.chiave + QStringLiteral("&amp;cb=1");
                v += QStringLiteral("<a href=\"") + mappa + QStringLiteral("\">Mappa</a> <a class=\"interattiva\" href=\"") +
                     Html(q.sito) + mappa + QStringLiteral("\">Mappa interattiva</a>");
            }
            return v + QStringLiteral("</div>\n");
        });
    s += QStringLiteral("</div>\n");
    if (pagine > 0) {
        s += QStringLiteral("<div class=\"pager\">") + Contatore(std::min(pagina, pagine), pagine);
        for (int i = 1; i <= pagine; ++i)
            if (i != pagina)
                s += QStringLiteral(" <a title=\"%1\" href=\"").arg(i) + LinkGialle(q, i) +
                     QStringLiteral("\">%1</a>").arg(i);
        s += QStringLiteral("</div>\n");
    }
    if (!tutte.isEmpty())
        s += QStringLiteral("<div class=\"vedi\">Altre attività in provincia (") + tutte.front().sigla +
             QStringLiteral(") - Vedi anche le località vicine</div>\n");
    return s + kCoda;
}

QString SceltaLuogo(const QString& luogo, const QStringList& province) {
    QString s = Intestazione(QStringLiteral("PagineGialle"), QStringLiteral("windows-1252"));
    s += QStringLiteral("<p>La località ") + Html(luogo) + QStringLiteral(" corrisponde a più località: ") +
         kSceltaLuogo + QStringLiteral(" vuoi cercare.</p><ul>");
    for (const QString& p : province) s += QStringLiteral("<li>") + Html(luogo) + QStringLiteral(" - ") + Html(p) + QStringLiteral("</li>");
    return s + QStringLiteral("</ul>\n") + kCoda;
}

QString NessunOperatore(const QString& luogo) {
    return Intestazione(QStringLiteral("PagineGialle"), QStringLiteral("windows-1252")) + QStringLiteral("<p>") +
           kNessunOperatore + QStringLiteral(" (") + Html(luogo) + QStringLiteral(").</p>\n") + kCoda;
}

QString NonRiconosciuta(const QString& luogo) {
    return Intestazione(QStringLiteral("PagineGialle"), QStringLiteral("windows-1252")) +
           QStringLiteral("<p>Attenzione: la località ") + Html(luogo) + u' ' + kNonRiconosciuta +
           QStringLiteral(". Prova a scriverla in un altro modo.</p>\n") + kCoda;
}

QString ElencoLuoghi(const QVector<VoceLuogo>& voci, int pagina, const Ricerca& q) {
    const int pagine = std::max(1, PagineDi(int(voci.size())));
    QString s = Intestazione(QStringLiteral("PagineGialle"), QStringLiteral("windows-1252"));
    s += QStringLiteral("<p>Abbiamo trovato %1 località con ").arg(voci.size()) + kRisultatiContenenti +
         QStringLiteral(" &quot;") + Html(q.cosa) + QStringLiteral("&quot; per &quot;") + Html(q.luogo) +
         QStringLiteral("&quot;.</p>\n<table class=\"elenco\">\n");
    QString regione;
    const int da = (pagina - 1) * kPerPagina;
    for (int i = da; i < std::min<int>(int(voci.size()), da + kPerPagina); ++i) {
        const VoceLuogo& v = voci[i];
        if (i < 0) continue;
        if (v.regione != regione) {
            regione = v.regione;
            s += QStringLiteral("<tr class=\"gruppo\"><th colspan=\"3\">Regione ") + Html(regione) +
                 QStringLiteral("</th></tr>\n");
        }
        Ricerca scelta = q;
        scelta.luogo = v.comune;
        scelta.sigla = v.sigla;
        s += QStringLiteral("<tr class=\"elenco-localita\"><td class=\"nome-localita\"><a href=\"") +
             QStringLiteral("/pg/cgi/pgsearch.cgi?btt=1&amp;ts=1&amp;l=1&amp;cb=0&amp;qs=") + Valore(q.cosa) +
             QStringLiteral("&amp;pr=") + v.sigla + QStringLiteral("&amp;dv=") + Valore(v.comune) +
             QStringLiteral("\">") + Html(v.comune) + QStringLiteral("</a></td><td class=\"provincia\">") +
             Html(v.provincia) + QStringLiteral("</td><td class=\"regione\">") + Html(v.regione) +
             QStringLiteral("</td></tr>\n");
    }
    s += QStringLiteral("</table>\n<div class=\"pager\">") + Contatore(pagina, pagine);
    for (int i = 1; i <= pagine; ++i)
        if (i != pagina)
            s += QStringLiteral(" <a title=\"%1\" href=\"").arg(i) + LinkGialle(q, i) + QStringLiteral("\">%1</a>").arg(i);
    return s + QStringLiteral("</div>\n") + kCoda;
}

QString MappaGialle(double lat, double lon) {
    return Intestazione(QStringLiteral("PagineGialle - Mappa"), QStringLiteral("windows-1252")) +
           QStringLiteral("<div id=\"mappa\"><img src=\"/pg/cgi/mappe/img.cgi?lx=") + Gradi(lon) +
           QStringLiteral("&amp;ly=") + Gradi(lat) + QStringLiteral("&amp;z=5\" alt=\"Mappa\"></div>\n") + kCoda;
}

QString RisultatiBianche(const QVector<Azienda>& tutte, int pagina, const Ricerca& q) {
    const int pagine = PagineDi(int(tutte.size()));
    QString s = Intestazione(QStringLiteral("PagineBianche - ") + q.cosa, QStringLiteral("utf-8"));
    s += QStringLiteral("<h1>") + Html(q.cosa) + QStringLiteral(" a ") + Html(q.luogo) +
         QStringLiteral("</h1>\n<table class=\"risultati\">\n");
    if (pagina <= pagine)
        s += Fetta(tutte, pagina, [](const Azienda& a) {
            QString v = QStringLiteral("<tr>") + kAncoraBianche + QStringLiteral("<div class=\"scheda\"><p>") + Html(a.nome) +
                        QStringLiteral("</p><p>") + a.cap + u' ' + Html(a.comune) + QStringLiteral(" (") + a.sigla +
                        QStringLiteral(") - ") + Html(a.indirizzoBianche()) + QStringLiteral("</p><p>") + kTelFisso +
                        QStringLiteral(": ") + a.telefono + QStringLiteral("</p>");
            if (a.biglietto)
                v += QStringLiteral("<p><a class=\"bv\" href=\"/execute.cgi?tr=109&amp;id=") + a.chiave +
                     QStringLiteral("\">") + kBiglietto + QStringLiteral("</a></p>");
            v += QStringLiteral("</div>");
            if (a.mappaBianche)
                v += QStringLiteral("<a class=\"mappa\" href=\"/execute.cgi?tr=107&amp;id=") + a.chiave +
                     QStringLiteral("\">Mappa</a>");
            return v + QStringLiteral("</td></tr>\n");
        });
    s += QStringLiteral("</table>\n");
    if (pagine > 0) {
        s += QStringLiteral("<div class=\"conta\">") + Contatore(std::min(pagina, pagine), pagine) +
             QStringLiteral("</div>\n<div class=\"paginazione\">");
        for (int i = 1; i <= pagine; ++i)
            if (i != pagina)
                s += QStringLiteral(" <a class=\"pag\" href=\"") + LinkBianche(q, i) + QStringLiteral("\">%1</a>").arg(i);
        s += QStringLiteral("</div>\n");
    }
    return s + kCoda;
}

QString RispostaInversa(const Azienda* a) {
    QString s = Intestazione(QStringLiteral("PagineBianche - Ricerca inversa"), QStringLiteral("utf-8"));
    if (!a) return s + QStringLiteral("<p>") + kRispostaNegata + QStringLiteral("</p>\n") + kCoda;
    s += QStringLiteral("<!-- ") + kInfoInizio + QStringLiteral(" --><table><tr><td><b>") + Html(a->nome.toUpper()) +
         QStringLiteral("</b></td></tr><tr><td>") + a->cap + u' ' + Html(a->comune.toUpper()) + QStringLiteral(" (") +
         a->sigla + QStringLiteral(") - ") + Html((a->civico + QStringLiteral(", ") + a->via).toUpper()) +
         QStringLiteral("</td></tr><tr><td>tel: ") + a->telefono + QStringLiteral("</td></tr></table><!-- ") + kInfoFine +
         QStringLiteral(" -->\n<a class=\"mappa\" href=\"/execute.cgi?tr=107&amp;id=") + a->chiave +
         QStringLiteral("\">Mappa</a>\n");
    return s + kCoda;
}

QString MappaBianche(double lat, double lon, const QString& linkInterattiva) {
    QString s = Intestazione(QStringLiteral("PagineBianche - Mappa"), QStringLiteral("utf-8"));
    if (!linkInterattiva.isEmpty())
        return s + QStringLiteral("<p>Mappa statica non disponibile.</p><a class=\"") + kMappaInterattiva +
               QStringLiteral("\" href=\"") + linkInterattiva + QStringLiteral("\">Mappa interattiva</a>\n") + kCoda;
    return s + QStringLiteral("<div class=\"mappa-statica\"><img src=\"/mappe/img.cgi?lx=") + Gradi(lon) +
           QStringLiteral("&amp;ly=") + Gradi(lat) + QStringLiteral("&amp;z=4\" alt=\"\"></div>\n") + kCoda;
}

QString GeocoderSingolo(const QString& cercato, const LuogoGeocoder& l) {
    return QStringLiteral("<html><head><title>Multimap - Map of ") + Html(cercato) +
           QStringLiteral("</title></head><body><h2>Map Information</h2><dl><dt>Address</dt><dd>") + Html(l.testo) +
           QStringLiteral(", Italy</dd><dt>Latitude</dt><dd><a href=\"/map/places.cgi?lat=") + Gradi(l.lat) +
           QStringLiteral("&amp;lon=") + Gradi(l.lon) + QStringLiteral("&amp;scale=5000\">") + Gradi(l.lat) +
           QStringLiteral("</a></dd></dl></body></html>\n");
}

QString GeocoderElenco(const QString& cercato, const QVector<LuogoGeocoder>& luoghi) {
    QString s = QStringLiteral("<html><head><title>Multimap</title></head><body><h1>Searching for ") + Html(cercato) +
                QStringLiteral("</h1><p>Looks like we found %1 places.</p><p>Best matches for your search:</p><table>")
                    .arg(luoghi.size());
    for (int i = 0; i < luoghi.size(); ++i)
        s += QStringLiteral("<tr><th>%1</th><td><a href=\"/map/places.cgi?lat=").arg(i + 1) + Gradi(luoghi[i].lat) +
             QStringLiteral("&amp;lon=") + Gradi(luoghi[i].lon) + QStringLiteral("\">") + Html(luoghi[i].testo) +
             QStringLiteral(", Italy</a></td></tr>");
    return s + QStringLiteral("</table></body></html>\n");
}

}  // namespace gm::sim
