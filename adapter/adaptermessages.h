#pragma once
// The texts users read about the adapter: the warning for each error kind of a request and the
// names of the library calls for the busy indicator. The window and kavris-run both show them.

#include "adapter/adapterrequest.h"
#include "adapter/sessioncore.h"
#include "adapter/transferoutcome.h"

#include <QString>

// The warning for the outcome's error ("写数据失败！"); empty for none.
QString adapterErrorText(AdapterError error, qint64 number = 0);
inline QString adapterErrorText(const TransferOutcome &outcome)
{
    return adapterErrorText(outcome.error, outcome.number);
}

// The status bar's line after a block train: the blocks moved and the time the call took, such
// as "块读数据完成：5块，用时0.402秒"; empty for other requests and for trains that made no call.
QString blockTrainSummary(AdapterRequest::Kind kind, const TransferOutcome &outcome);

// What the call under way does, as the busy indicator says it ("块读数据").
QString sessionStepText(SessionStep step);
