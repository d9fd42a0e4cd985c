#include "ui/PortDialog.h"

#include "core/Cp1251.h"
#include "core/ErrorText.h"
#include "core/LineSettings.h"
#include "core/SettingsFile.h"
#include "core/TextRules.h"
#include "ui/StartUp.h"

#include <array>
#include <utility>

PortDialogTexts PortDialogInitialTexts()
{
    return {QStringLiteral("1"), QStringLiteral("9600"), QStringLiteral("e"), QStringLiteral("8"), QStringLiteral("1")};
}

PortDialogTexts Form2_Activate(const TerminalState& state)
{
    return {state.PortNumber, state.BaudRate, state.Parity, state.DataBits, state.StopBits};
}

QString PortDialogRefusal(const PortDialogTexts& texts)
{
    const auto number = TextToInt16(texts.Combo1);
    if (!number || *number < MinPortNumber || *number > MaxPortNumber)
        return QStringLiteral("Номер СОМ-порта должен быть целым числом от %1 до %2.").arg(MinPortNumber).arg(MaxPortNumber);

    // Named as the labels beside the combo boxes name them.
    const std::array<std::pair<const QString*, QString>, 5> fields{{
        {&texts.Combo1, QStringLiteral("СОМ-порт компьютера")},
        {&texts.Combo2, QStringLiteral("Скорость обмена")},
        {&texts.Combo3, QStringLiteral("Проверка на четность")},
        {&texts.Combo4, QStringLiteral("Количество бит в символе")},
        {&texts.Combo5, QStringLiteral("Количество стоповых битов")},
    }};
    for (const auto& [text, name] : fields) {
        if (!FitsCp1251(*text))
            return QStringLiteral("«%1»: в тексте есть недопустимые символы.").arg(name);
        if (ToCp1251(*text).size() > SettingsLayout::MaxTextLength)
            return QStringLiteral("«%1»: текст длиннее %2 символов.").arg(name).arg(SettingsLayout::MaxTextLength);
    }
    return {};
}

QString SettingsNotSavedMessage(const Status& failure)
{
    return QStringLiteral("Настройки не сохранены в файл: %1").arg(AfterColon(failure.description));
}

bool Form2_Command1_Click(Terminal& terminal, const PortDialogTexts& texts)
{
    if (const QString refusal = PortDialogRefusal(texts); !refusal.isEmpty()) {
        terminal.panel.message(refusal);
        return false;
    }

    // The operator takes the port over: the lost-port retries stop, and
    // start again below only with the parameters chosen here.
    terminal.portLost = false;

    TerminalState& s = terminal.state;
    s.PortNumber = texts.Combo1;
    s.BaudRate = texts.Combo2;
    s.Parity = texts.Combo3;
    s.DataBits = texts.Combo4;
    s.StopBits = texts.Combo5;

    // Each step that fails leaves the port as it was and the next one runs:
    // only whether the port opens in the end matters.
    SerialPort& port = terminal.port;
    static_cast<void>(port.close());
    if (const auto number = TextToInt16(s.PortNumber))
        static_cast<void>(port.setPortNumber(*number));
    static_cast<void>(port.setSettings(LineParameters(s)));
    static_cast<void>(port.open());
    if (!port.isOpen()) {
        // A port chosen before its adapter is plugged in (or its link made)
        // is looked for like a lost one, and opened when it appears.
        terminal.portLost = true;
        terminal.panel.message(PortNotFoundMessage);
        return false;
    }

    if (const Status saved = SaveSettings(terminal); !saved.ok()) {
        terminal.panel.message(SettingsNotSavedMessage(saved));
        return false;
    }
    return true;
}
