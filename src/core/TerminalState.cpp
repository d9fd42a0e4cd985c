#include "core/TerminalState.h"

void SetDefaults(TerminalState& state)
{
    state.PortNumber = QStringLiteral("1");
    state.BaudRate = QStringLiteral("9600");
    state.Parity = QStringLiteral("n");
    state.DataBits = QStringLiteral("8");
    state.StopBits = QStringLiteral("1");
    state.AutoStep = 0;
    state.MinWeightGrams = 200;
    state.TotalCount = 0;
    state.DayIndex = 0;
    state.SumCount = 0;
    state.SumOn = 0;
    state.SumWeight = 0;
    state.AutoWeighOn = 1;
    state.ScaleKind = ScaleKindVeltar;
}

QString LineParameters(const TerminalState& state)
{
    return state.BaudRate + u',' + state.Parity + u',' + state.DataBits + u',' + state.StopBits;
}
