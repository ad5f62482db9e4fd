#pragma once

#include <QDialog>
#include <QFont>
#include <QString>

#include <functional>
#include <vector>

class BestScoreTableSet;
class QPushButton;

namespace HallOfFame {
inline constexpr int titleY = 4;
inline constexpr int labelX = 36;
inline constexpr int valueX = 196;
inline constexpr int levelY = 64;
inline constexpr int difficultyY = 100;
inline constexpr int firstRowY = 148;
inline constexpr int rowPitch = 48;
inline constexpr int placeX = 36;
// Two digits need the room of one more.
inline constexpr int tenthPlaceX = 15;
inline constexpr int nameX = 84;
inline constexpr int scoreRight = 582;
} // namespace HallOfFame

// "High Scores": shows one of the best-score tables, which the main window owns.
class HallOfFameDlg : public QDialog {
    Q_OBJECT
public:
    enum class FontRole { Title, Body };

    // One text of the painted part; x and y are its top left corner.
    struct PaintedText {
        QString text;
        int x = 0;
        int y = 0;
        FontRole font = FontRole::Body;
    };

    explicit HallOfFameDlg(BestScoreTableSet& tables, QWidget* parent = nullptr);

    // Any values are kept; outside the tables no level name, difficulty name or row is shown.
    int shownLevel() const { return level; }
    void setShownLevel(int shownLevel);
    int shownDifficulty() const { return difficultyIndex; }
    void setShownDifficulty(int shownDifficulty);

    // Same centre as owner, size unchanged, then shown on top.
    void showCentredOver(const QWidget* owner);

    // Empty for levels 0..5 and for a selection outside the tables.
    static QString difficultyTitle(int level, int difficultyIndex);

    QFont titleFont() const;
    QFont bodyFont() const;
    // Room for a name: from its x to where the widest score starts, less a blank.
    int nameColumnWidth() const;
    // What paintEvent draws, in order.
    std::vector<PaintedText> paintedTexts() const;

    QPushButton* closeButton() const { return closeBtn; }
    QPushButton* synchronizeButton() const { return synchronizeBtn; }

    // "host[:port]" of the score server's page, read when a synchronization starts.
    void setScoreServer(std::function<QString()> source);
    // Who synchronizes, for servers that take claims.
    void setParticipant(std::function<QString()> source);
    // The certificate file the server must present over TLS, read with the server.
    void setServerCertificate(std::function<QString()> source);
    // Exchanges the tables with the score server; true when it ran to its end.
    bool synchronize();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BestScoreTableSet& tables;
    QPushButton* closeBtn;
    QPushButton* synchronizeBtn;
    int level = 0;
    int difficultyIndex = 0;
    std::function<QString()> scoreServer;
    std::function<QString()> participantSource;
    std::function<QString()> serverCertificate;
};
