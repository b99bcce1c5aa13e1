#include "StateFile.h"

#include "SmsPdu.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace sim {

namespace {

constexpr int Version = 1;
constexpr qsizetype MaxFileSize = 4 * 1024 * 1024;

bool fromHex(const QString& text, Bytes& out)
{
    QByteArray raw = text.toLatin1();
    if (raw.size() % 2 || raw.size() > 2 * 200)
        return false;
    for (char c : raw)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    QByteArray bin = QByteArray::fromHex(raw);
    out.assign(bin.begin(), bin.end());
    return !out.empty();
}

bool digitsOnly(const QString& s, bool allowPlus)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        if (!(c.isDigit() || c == u'*' || c == u'#' || (allowPlus && i == 0 && c == u'+')))
            return false;
    }
    return true;
}

} // namespace

bool loadState(const std::string& path, SimCard& sim, bool& existed, std::string& error)
{
    existed = false;
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return true;
    existed = true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot read " + path + ": " + file.errorString().toStdString();
        return false;
    }
    if (file.size() > MaxFileSize) {
        error = path + ": file too large";
        return false;
    }
    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        error = path + ": not a state file (" + parseError.errorString().toStdString() + ")";
        return false;
    }
    QJsonObject o = doc.object();
    auto bad = [&](const std::string& what) {
        error = path + ": " + what;
        return false;
    };
    if (o.value("version").toInt() != Version)
        return bad("unknown version");

    SimCard s = sim; // change nothing unless the whole file is good
    QString own = o.value("ownNumber").toString(), smsc = o.value("serviceCentre").toString();
    QString pin = o.value("pin").toString(), puk = o.value("puk").toString();
    if (own.isEmpty() || own.size() > 21 || !digitsOnly(own, true))
        return bad("bad ownNumber");
    if (smsc.size() > 21 || !digitsOnly(smsc, true))
        return bad("bad serviceCentre");
    if (!SimCard::validPin(pin.toStdString()))
        return bad("bad pin");
    if (puk.size() != 8 || !digitsOnly(puk, false))
        return bad("bad puk");
    int pinAttempts = o.value("pinAttempts").toInt(-1), pukAttempts = o.value("pukAttempts").toInt(-1);
    if (pinAttempts < 0 || pinAttempts > 3 || pukAttempts < 0 || pukAttempts > 10)
        return bad("bad attempt counters");
    s.ownNumber = own.toStdString();
    s.serviceCentre = smsc.toStdString();
    s.pin = pin.toStdString();
    s.puk = puk.toStdString();
    s.pinEnabled = o.value("pinEnabled").toBool();
    s.pinAttempts = uint32_t(pinAttempts);
    s.pukAttempts = uint32_t(pukAttempts);

    s.sms.clear();
    for (const auto& v : o.value("sms").toArray()) {
        QJsonObject m = v.toObject();
        int index = m.value("index").toInt(-1), status = m.value("status").toInt(-1);
        Bytes pdu;
        if (index < 1 || uint32_t(index) > s.smsCapacity || s.sms.count(uint32_t(index)))
            return bad("bad message index");
        if (status < int(SmsNew) || status > int(SmsSent))
            return bad("bad message status");
        if (!fromHex(m.value("pdu").toString(), pdu))
            return bad("bad message PDU");
        s.sms[uint32_t(index)] = StoredSms{uint32_t(status), pdu};
    }
    s.phonebook.clear();
    for (const auto& v : o.value("phonebook").toArray()) {
        QJsonObject e = v.toObject();
        int index = e.value("index").toInt(-1);
        QString name = e.value("name").toString(), number = e.value("number").toString();
        if (index < 1 || uint32_t(index) > s.phonebookCapacity || s.phonebook.count(uint32_t(index)))
            return bad("bad phonebook index");
        if (number.isEmpty() || uint32_t(number.size()) > s.maxNumberLength + 1 || !digitsOnly(number, true))
            return bad("bad phonebook number");
        if (uint32_t(name.size()) > s.maxNameLength)
            return bad("bad phonebook name");
        s.phonebook[uint32_t(index)] = PhonebookEntry{name.toStdU16String(), number.toStdString()};
    }
    sim = std::move(s);
    return true;
}

bool saveState(const std::string& path, const SimCard& sim, std::string& error)
{
    QJsonObject o;
    o["version"] = Version;
    o["ownNumber"] = QString::fromStdString(sim.ownNumber);
    o["serviceCentre"] = QString::fromStdString(sim.serviceCentre);
    o["pin"] = QString::fromStdString(sim.pin);
    o["puk"] = QString::fromStdString(sim.puk);
    o["pinEnabled"] = sim.pinEnabled;
    o["pinAttempts"] = int(sim.pinAttempts);
    o["pukAttempts"] = int(sim.pukAttempts);
    QJsonArray messages;
    for (const auto& [index, m] : sim.sms)
        messages.append(QJsonObject{
            {"index", int(index)}, {"status", int(m.status)}, {"pdu", QString::fromStdString(pdu::hex(m.pdu))}});
    o["sms"] = messages;
    QJsonArray entries;
    for (const auto& [index, e] : sim.phonebook)
        entries.append(QJsonObject{{"index", int(index)},
                                   {"name", QString::fromStdU16String(e.name)},
                                   {"number", QString::fromStdString(e.number)}});
    o["phonebook"] = entries;

    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    file.write(QJsonDocument(o).toJson());
    if (!file.commit()) {
        error = "cannot write " + path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace sim
