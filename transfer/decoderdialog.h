#pragma once
// The choice of a decoder per chip select: automatic (the flash decoder once a JEDEC id answer
// names a known chip), none, SPI NOR flash or register bank. Lists the chip selects the log's
// transfers used, or the first adapter's ten while there are none.

#include "transfer/trafficannotator.h"

#include <QDialog>

class QComboBox;

class DecoderDialog : public QDialog
{
    Q_OBJECT

public:
    DecoderDialog(TrafficAnnotator &annotator, QWidget *parent = nullptr);

    // Applies the choices made (on OK).
    void apply();

    // The combo box of one chip select is named "decoder_<device>_<channel byte in hex>".
    static QString boxName(int device, int channel);

private:
    TrafficAnnotator &annotator;
    QList<QPair<int, int>> rows;
    QList<QComboBox *> boxes;
};
