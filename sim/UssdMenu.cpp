#include "UssdMenu.h"

#include "Wire.h"

namespace sim {

static const char* MainMenu = "Simnet services:\n1 Balance\n2 Tariff\n3 Exit";

static std::string trimmed(const std::u16string& text)
{
    std::string s = utf8(text);
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

UssdAnswer UssdMenu::initiate(const std::u16string& request)
{
    node_.clear();
    std::string code = trimmed(request);
    UssdAnswer a;
    if (code == "*100#") {
        a.text = u"Balance: 12.50 EUR. Valid until 31.12.";
    } else if (code == "*101#") {
        a.response = UssdActionRequired;
        a.text = utf16(MainMenu);
        node_ = "main";
    } else if (code == "*102#") {
        a.text = u"Ваш баланс: 150,00 руб. Спасибо!";
        a.ucs2 = true;
    } else if (code == "*104#") {
        a.timing = UssdAnswer::Delayed;
        a.delayMs = 2000;
        a.response = UssdNetworkTimeout;
    } else if (code == "*109#") {
        a.timing = UssdAnswer::Never;
    } else {
        a.response = UssdNotSupported;
    }
    return a;
}

UssdAnswer UssdMenu::answer(const std::u16string& text)
{
    UssdAnswer a;
    if (node_ != "main") {
        a.response = UssdTerminated;
        return a;
    }
    std::string choice = trimmed(text);
    if (choice == "1") {
        a.text = u"Balance: 12.50 EUR.";
        node_.clear();
    } else if (choice == "2") {
        a.text = u"Tariff: Simnet Basic, 0.09 EUR per SMS.";
        node_.clear();
    } else if (choice == "3") {
        a.response = UssdTerminated;
        a.text = u"Goodbye.";
        node_.clear();
    } else {
        a.response = UssdActionRequired;
        a.text = u"Unknown choice.\n" + utf16(MainMenu);
    }
    return a;
}

} // namespace sim
