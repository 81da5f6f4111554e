// The tag editor under the file list, the genre list and the short stream description.
#include "app/Unit1.h"
#include "tags/StreamDescription.h"
#include "engine/TAudioInformation2.h"
#include "platform/ui/MessageBoxes.h"
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <limits>
#include <optional>

namespace {

constexpr int kGenreCount = 147;   // numbers 0 to 146

// Whole decimal number with an optional sign, leading blanks allowed; anything else (a fraction,
// a letter, an inner or trailing blank, an empty text, a value outside 32 bits) fails.
std::optional<int> parseWholeNumber(const QString& text)
{
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i >= n)
        return std::nullopt;
    qint64 value = 0;
    for (; i < n; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

void TForm1::FillGenreList()
{
    infoGenre->clear();
    for (int i = 0; i < kGenreCount; ++i)
        infoGenre->addItem(AudioInformation1->GenreName(i));
}

void TForm1::btnResetClick()
{
    AudioInformation1->ReadInfo(CurrentFile);
    infoTitle->setText(AudioInformation1->infoTitle());
    infoArtist->setText(AudioInformation1->infoArtist());
    infoAlbum->setText(AudioInformation1->infoAlbum());
    const int genre = AudioInformation1->infoGenre();   // sign-extended
    infoGenre->setCurrentIndex(genre >= 0 && genre < infoGenre->count() ? genre : -1);
    infoCopyright->setText(AudioInformation1->infoCopyright());
    infoComment->setText(AudioInformation1->infoComments());
    infoYear->setText(QString::number(AudioInformation1->infoYear()));
    infoTrack->setText(QString::number(static_cast<short>(AudioInformation1->infoTrack())));
}

void TForm1::btnApplyClick()
{
    AudioInformation1->setInfoTitle(infoTitle->text());
    AudioInformation1->setInfoArtist(infoArtist->text());
    AudioInformation1->setInfoAlbum(infoAlbum->text());
    AudioInformation1->setInfoGenre(infoGenre->currentIndex());
    AudioInformation1->setInfoCopyright(infoCopyright->text());
    AudioInformation1->setInfoComments(infoComment->text());

    const std::optional<int> year = parseWholeNumber(infoYear->text());
    if (!year) {
        ShowMessage(QStringLiteral("Invalid Year Value"));
        infoYear->setFocus();
        return;
    }
    AudioInformation1->setInfoYear(*year);

    const std::optional<int> track = parseWholeNumber(infoTrack->text());
    if (!track) {
        ShowMessage(QStringLiteral("Invalid Track Value"));
        infoTrack->setFocus();
        return;
    }
    AudioInformation1->setInfoTrack(*track);

    AudioInformation1->WriteInfo(CurrentFile);
}

void TForm1::infoMTVClick()
{
    // Item order is the order the buttons were added to the group: "ID3v1", "ID3v2".
    const QList<QAbstractButton*> items = infoMTVButtons->buttons();
    const int index = static_cast<int>(items.indexOf(infoMTVButtons->checkedButton()));
    if (index < 0)
        return;
    AudioInformation1->setTagVersion(index + 1);
}

void TForm1::TabSheet2Resize()
{
    const int left = TabSheet2->width() - btnReset->width() - 2;
    btnReset->move(left, btnReset->y());
    btnApply->move(left, btnApply->y());
    // The version box lines up with the buttons and ends, as they do, inside the page.
    infoMTV->setGeometry(left, infoMTV->y(), btnReset->width(), infoMTV->height());
    ListView1->resize(infoMTV->x() - 28, ListView1->height());
    const int fieldWidth = ListView1->width() - 267;
    infoCopyright->resize(fieldWidth, infoCopyright->height());
    infoYear->resize(fieldWidth, infoYear->height());
    infoGenre->resize(fieldWidth, infoGenre->height());
    infoTrack->resize(fieldWidth, infoTrack->height());
}
