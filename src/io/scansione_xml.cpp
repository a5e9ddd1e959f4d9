#include "io/scansione_xml.h"

#include <array>
#include <cstring>

namespace gm {

namespace {
// Deeper nesting than any workbook part has; bounds the stack on hostile input.
constexpr size_t kMaxProfondita = 1024;

bool Spazio(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
// The bytes that end a name, as a table: names are most of what the scanner reads.
constexpr std::array<bool, 256> kFineNome = [] {
    std::array<bool, 256> t{};
    for (const char c : {' ', '\t', '\n', '\r', '/', '>', '=', '<', '"', '\''}) t[quint8(c)] = true;
    return t;
}();
bool FineNome(char c) { return kFineNome[quint8(c)]; }

// A name from p on, without its prefix; q ends up past it.
QByteArrayView Nome(const char* p, const char* fine, const char*& q) {
    const char* inizio = p;
    for (q = p; q < fine && !FineNome(*q); ++q)
        if (*q == ':') inizio = q + 1;
    return QByteArrayView(inizio, q - inizio);
}

const char* Cerca(const char* p, const char* fine, const char* cosa) {
    const size_t n = std::strlen(cosa);
    const qsizetype k = QByteArrayView(p, fine - p).indexOf(QByteArrayView(cosa, qsizetype(n)));
    return k < 0 ? nullptr : p + k;
}

void Utf8(QByteArray& out, char32_t c) {
    if (c == 0 || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6))).append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12))).append(char(0x80 | ((c >> 6) & 0x3F))).append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)))
            .append(char(0x80 | ((c >> 12) & 0x3F)))
            .append(char(0x80 | ((c >> 6) & 0x3F)))
            .append(char(0x80 | (c & 0x3F)));
    }
}

// One reference after '&' (r without the '&' and ';'); false when it is none we know.
bool Riferimento(QByteArrayView r, QByteArray& out) {
    if (r == "amp") return out.append('&'), true;
    if (r == "lt") return out.append('<'), true;
    if (r == "gt") return out.append('>'), true;
    if (r == "quot") return out.append('"'), true;
    if (r == "apos") return out.append('\''), true;
    if (r.size() < 2 || r[0] != '#') return false;
    const bool esa = r[1] == 'x';
    qsizetype k = esa ? 2 : 1;
    if (k >= r.size()) return false;
    char32_t c = 0;
    for (; k < r.size(); ++k) {
        const char d = r[k];
        int v;
        if (d >= '0' && d <= '9')
            v = d - '0';
        else if (esa && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
        else if (esa && d >= 'A' && d <= 'F')
            v = d - 'A' + 10;
        else
            return false;
        c = c * (esa ? 16 : 10) + char32_t(v);
        if (c > 0x10FFFF) return false;
    }
    Utf8(out, c);
    return true;
}
// Nothing to decode: the bytes can be handed out as they are, without a copy.
bool Semplice(QByteArrayView v, bool attributo) {
    for (const char c : v)
        if (c == '&' || c == '\r' || (attributo && (c == '\n' || c == '\t'))) return false;
    return true;
}
}  // namespace

void DecodificaXml(QByteArrayView raw, bool attributo, QByteArray& out, qsizetype limite) {
    const char* p = raw.data();
    const char* fine = p + raw.size();
    while (p < fine && out.size() < limite) {
        // Plain runs are copied whole.
        const char* q = p;
        while (q < fine && *q != '&' && *q != '\r' && !(attributo && (*q == '\n' || *q == '\t'))) ++q;
        out.append(p, std::min<qsizetype>(q - p, limite - out.size()));
        if (q >= fine || out.size() >= limite) break;
        p = q;
        if (*p == '&') {
            const char* e = p + 1;
            while (e < fine && e - p < 12 && *e != ';') ++e;
            if (e < fine && *e == ';' && Riferimento(QByteArrayView(p + 1, e - p - 1), out)) {
                p = e + 1;
            } else {
                out.append('&');
                ++p;
            }
        } else if (*p == '\r') {
            // Line ends read as one line feed, as XML wants.
            out.append(attributo ? ' ' : '\n');
            ++p;
            if (p < fine && *p == '\n') ++p;
        } else {
            out.append(' ');
            ++p;
        }
    }
}

ScansioneXml::ScansioneXml(QByteArrayView dati) : m_p(dati.data()), m_fine_dati(dati.data() + dati.size()) {
    if (dati.startsWith("\xEF\xBB\xBF")) m_p += 3;
}

ScansioneXml::Evento ScansioneXml::rompi() {
    m_guasto = true;
    m_p = m_fine_dati;
    return Guasto;
}

ScansioneXml::Evento ScansioneXml::avanti() {
    if (m_guasto) return Guasto;
    if (m_chiudiVuoto) {
        m_chiudiVuoto = false;
        m_nome = m_pila.back();
        m_pila.pop_back();
        return Chiusura;
    }
    for (;;) {
        if (m_p >= m_fine_dati) {
            m_fine = true;
            return Fine;
        }
        if (*m_p != '<') {
            const void* lt = std::memchr(m_p, '<', size_t(m_fine_dati - m_p));
            const char* q = lt ? static_cast<const char*>(lt) : m_fine_dati;
            m_testo = QByteArrayView(m_p, q - m_p);
            m_cdata = false;
            m_p = q;
            return Testo;
        }
        const qsizetype resto = m_fine_dati - m_p;
        if (resto >= 2 && m_p[1] == '/') return chiusura();
        if (resto >= 2 && m_p[1] == '?') {
            const char* e = Cerca(m_p + 2, m_fine_dati, "?>");
            if (!e) return rompi();
            m_p = e + 2;
            continue;
        }
        if (resto >= 4 && std::memcmp(m_p, "<!--", 4) == 0) {
            const char* e = Cerca(m_p + 4, m_fine_dati, "-->");
            if (!e) return rompi();
            m_p = e + 3;
            continue;
        }
        if (resto >= 9 && std::memcmp(m_p, "<![CDATA[", 9) == 0) {
            if (m_pila.empty()) return rompi();
            const char* e = Cerca(m_p + 9, m_fine_dati, "]]>");
            if (!e) return rompi();
            m_testo = QByteArrayView(m_p + 9, e - m_p - 9);
            m_cdata = true;
            m_p = e + 3;
            return Testo;
        }
        if (resto >= 2 && m_p[1] == '!') {
            // A document type declaration: skipped, internal subset included, never expanded.
            if (!m_pila.empty()) return rompi();
            int parentesi = 0;
            const char* q = m_p + 2;
            for (; q < m_fine_dati; ++q) {
                if (*q == '[') ++parentesi;
                if (*q == ']') --parentesi;
                if (*q == '>' && parentesi <= 0) break;
            }
            if (q >= m_fine_dati) return rompi();
            m_p = q + 1;
            continue;
        }
        return apertura();
    }
}

ScansioneXml::Evento ScansioneXml::apertura() {
    const char* q;
    const QByteArrayView nome = Nome(m_p + 1, m_fine_dati, q);
    if (nome.isEmpty() || q >= m_fine_dati) return rompi();
    m_attributi.clear();
    bool vuoto = false;
    for (;;) {
        const char* s = q;
        while (q < m_fine_dati && Spazio(*q)) ++q;
        if (q >= m_fine_dati) return rompi();
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 >= m_fine_dati || q[1] != '>') return rompi();
            q += 2;
            vuoto = true;
            break;
        }
        if (s == q) return rompi();  // attributes stand apart
        const QByteArrayView an = Nome(q, m_fine_dati, q);
        if (an.isEmpty()) return rompi();
        while (q < m_fine_dati && Spazio(*q)) ++q;
        if (q >= m_fine_dati || *q != '=') return rompi();
        ++q;
        while (q < m_fine_dati && Spazio(*q)) ++q;
        if (q >= m_fine_dati || (*q != '"' && *q != '\'')) return rompi();
        const char virgolette = *q++;
        const void* e = std::memchr(q, virgolette, size_t(m_fine_dati - q));
        if (!e) return rompi();
        const char* v = static_cast<const char*>(e);
        if (std::memchr(q, '<', size_t(v - q))) return rompi();
        m_attributi.push_back({an, QByteArrayView(q, v - q)});
        q = v + 1;
    }
    if (m_pila.size() >= kMaxProfondita) return rompi();
    m_pila.push_back(nome);
    m_nome = nome;
    m_chiudiVuoto = vuoto;
    m_p = q;
    return Apertura;
}

ScansioneXml::Evento ScansioneXml::chiusura() {
    const char* q;
    const QByteArrayView nome = Nome(m_p + 2, m_fine_dati, q);
    while (q < m_fine_dati && Spazio(*q)) ++q;
    if (q >= m_fine_dati || *q != '>' || m_pila.empty() || !Uguale(m_pila.back(), nome)) return rompi();
    m_pila.pop_back();
    m_nome = nome;
    m_p = q + 1;
    return Chiusura;
}

bool ScansioneXml::attributo(const char* nome, QByteArray& valore) const {
    valore.clear();
    const QByteArrayView cercato(nome, qsizetype(std::strlen(nome)));
    for (const Attributo& a : m_attributi) {
        if (Uguale(a.nome, cercato)) {
            if (Semplice(a.valore, true))
                valore = QByteArray::fromRawData(a.valore.data(), a.valore.size());
            else
                DecodificaXml(a.valore, true, valore, 1 << 20);
            return true;
        }
    }
    return false;
}

bool ScansioneXml::ha(const char* nome) const {
    for (const Attributo& a : m_attributi)
        if (Uguale(a.nome, nome)) return true;
    return false;
}

void ScansioneXml::testo(QByteArray& out, qsizetype limite) const {
    if (out.isEmpty() && m_testo.size() <= limite && (m_cdata || Semplice(m_testo, false)))
        out = QByteArray::fromRawData(m_testo.data(), m_testo.size());
    else if (m_cdata)
        out.append(m_testo.first(std::clamp<qsizetype>(limite - out.size(), 0, m_testo.size())));
    else
        DecodificaXml(m_testo, false, out, limite);
}

bool ScansioneXml::testoElemento(QByteArray& out, qsizetype limite, std::initializer_list<const char*> salta) {
    const int livello = profondita();
    for (;;) {
        switch (avanti()) {
        case Apertura:
            for (const char* s : salta) {
                if (nome(s)) {
                    if (!this->salta()) return false;
                    break;
                }
            }
            break;
        case Chiusura:
            if (profondita() < livello) return true;
            break;
        case Testo:
            testo(out, limite);
            break;
        default:
            return false;
        }
    }
}

bool ScansioneXml::salta() {
    const int livello = profondita();
    for (;;) {
        const Evento e = avanti();
        if (e == Fine || e == Guasto) return false;
        if (e == Chiusura && profondita() < livello) return true;
    }
}

}  // namespace gm
