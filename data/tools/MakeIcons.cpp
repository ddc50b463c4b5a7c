// Draws the program's own icons and those of the example installation, and writes them
// with Corvane's own writers: "corvane.icl" (the three placeholders of the bar list), the
// example host's icon library "wcmicons.dll", two small example programs carrying icons,
// and an .ico file; given a packaging folder, also the application's icon for the desktop
// as PNG files in the sizes of the hicolor icon theme. Run it again after changing a drawing:
//   corvane-make-icons <data folder> <examples folder> [<packaging folder>]
#include "fixtures/IconImages.h"
#include "fixtures/PeBuilder.h"
#include "icons/IconLibrary.h"
#include "platform/HostFiles.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Painting = std::function<void(QPainter &, int size)>;

// The drawing, made for 32 x 32, at the given size on a transparent ground.
QImage Draw(const Painting &paint, int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    paint(painter, size);
  }
  return image;
}

// One 32-bit image of the drawing at the given size, as icon image bytes.
std::string DrawDib(const Painting &paint, int size) {
  const QImage image = Draw(paint, size);
  fixtures::DibImage dib;
  dib.width = size;
  dib.height = size;
  dib.bitCount = 32;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const QRgb pixel = image.pixel(x, y);
      dib.pixels.push_back(pixel);
      dib.mask.push_back(qAlpha(pixel) == 0 ? 1 : 0);
    }
  return fixtures::MakeDib(dib);
}

std::vector<fixtures::IconEntry> Entries(const Painting &paint,
                                         const std::vector<int> &sizes = {16, 32}) {
  std::vector<fixtures::IconEntry> entries;
  for (int size : sizes) {
    fixtures::IconEntry entry;
    entry.image = DrawDib(paint, size);
    entry.width = static_cast<uint8_t>(size);
    entry.height = static_cast<uint8_t>(size);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string IcoFile(const Painting &paint, const std::vector<int> &sizes = {16, 32}) {
  return fixtures::MakeIcoFile(Entries(paint, sizes));
}

std::unique_ptr<icons::TAdvancedIcon> Icon(const Painting &paint,
                                           const std::vector<int> &sizes = {16, 32}) {
  auto icon = std::make_unique<icons::TAdvancedIcon>();
  icon->LoadFromBytes(IcoFile(paint, sizes));
  return icon;
}

void WriteFile(const std::filesystem::path &file, const std::string &bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::printf("wrote %s (%zu bytes)\n", file.string().c_str(), bytes.size());
}

void SaveLibrary(icons::TIconLibrary &library, const std::filesystem::path &file) {
  std::filesystem::create_directories(file.parent_path());
  library.SaveToFile(platform::WindowsName(file.string()));
  std::printf("wrote %s (%d icons)\n", file.string().c_str(), library.Icons.Count());
}

void Frame(QPainter &p, QColor fill) {
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(2.5, 2.5, 27, 27), 5, 5);
}

void Glyph(QPainter &p, const QString &text, QColor color = Qt::white) {
  QFont font = p.font();
  font.setPixelSize(text.size() > 2 ? 10 : 15);
  font.setBold(true);
  p.setFont(font);
  p.setPen(color);
  p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, text);
}

// The bar list draws a placeholder at the large-icon size of its screen: 32 pixels at
// scale 1, 48 at 1.5, 64 at 2; each is drawn for those sizes so that none is enlarged.
// The first image stays the small one, the image a reader of the library takes first.
const std::vector<int> PlaceholderSizes = {16, 32, 48, 64};

// The placeholders: 0 a button without icon, 1 its command file is missing, 2 its icon
// file is missing. Their positions are what the bar list relies on.
std::vector<std::pair<std::string, Painting>> Placeholders() {
  return {
      {"NOICON",
       [](QPainter &p, int) {
         p.setPen(QPen(QColor(120, 120, 120), 2, Qt::DashLine));
         p.setBrush(Qt::NoBrush);
         p.drawRoundedRect(QRectF(3, 3, 26, 26), 4, 4);
       }},
      {"NOCOMMAND",
       [](QPainter &p, int) {
         p.setPen(QPen(QColor(70, 70, 70), 1.5));
         p.setBrush(QColor(250, 250, 240));
         p.drawRect(QRectF(6.5, 2.5, 19, 27));
         p.setPen(QPen(QColor(200, 30, 30), 3.5, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(10, 10), QPointF(22, 24));
         p.drawLine(QPointF(22, 10), QPointF(10, 24));
       }},
      {"NOICONFILE",
       [](QPainter &p, int) {
         Frame(p, QColor(235, 225, 160));
         Glyph(p, QStringLiteral("?"), QColor(150, 90, 0));
       }},
  };
}

// The example host's icon library: numbered tiles in a cycle of colours, at the one
// size the bar shows, so that the file stays small.
void MakeWcmIcons(const std::filesystem::path &file) {
  icons::TIconLibrary library;
  const int count = 40;
  for (int i = 0; i < count; ++i) {
    const QColor fill = QColor::fromHsv((i * 47) % 360, 150, 200);
    library.Icons.AddIcon("", Icon(
                                  [i, fill](QPainter &p, int) {
                                    Frame(p, fill);
                                    Glyph(p, QString::number(i));
                                  },
                                  {32}));
  }
  SaveLibrary(library, file);
}

// A program file whose only content is its icons (it runs nowhere; the editor only
// shows and picks its icons).
std::string ProgramWithIcons(const std::vector<Painting> &paintings) {
  std::vector<fixtures::PeResource> resources;
  uint16_t nextId = 1;
  for (size_t g = 0; g < paintings.size(); ++g) {
    auto entries = Entries(paintings[g]);
    for (auto &entry : entries) {
      entry.id = nextId++;
      resources.push_back({platform::RT_ICON, platform::ResourceName(entry.id), 0, entry.image});
    }
    resources.push_back({platform::RT_GROUP_ICON,
                         platform::ResourceName(static_cast<uint16_t>(g + 1)), 0,
                         fixtures::MakeGroupIcon(entries)});
  }
  return fixtures::BuildPe(resources);
}

// The application's icon: a button bar of three buttons and the pen that edits it.
void PaintApplication(QPainter &p, int) {
  QLinearGradient shade(0, 6, 0, 22);
  shade.setColorAt(0, QColor(246, 248, 251));
  shade.setColorAt(1, QColor(196, 204, 216));
  p.setPen(QPen(QColor(50, 60, 80), 1.2));
  p.setBrush(shade);
  p.drawRoundedRect(QRectF(1.5, 6.5, 29, 15), 3, 3);
  const QColor buttons[] = {QColor(40, 120, 210), QColor(40, 160, 80), QColor(230, 140, 30)};
  for (int i = 0; i < 3; ++i) {
    p.setPen(QPen(buttons[i].darker(150), 1));
    p.setBrush(buttons[i]);
    p.drawRoundedRect(QRectF(4.5 + i * 8.5, 9.5, 6.5, 9), 1.5, 1.5);
  }
  // The pen from its tip at the lower left, pointing up to the right.
  p.translate(15.5, 29.5);
  p.rotate(45);
  p.setPen(QPen(QColor(60, 45, 20), 0.9));
  p.setBrush(QColor(250, 205, 60));
  p.drawPolygon(
      QPolygonF({QPointF(-2.4, -5), QPointF(2.4, -5), QPointF(2.4, -17), QPointF(-2.4, -17)}));
  p.setBrush(QColor(240, 215, 170));
  p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(2.4, -5), QPointF(-2.4, -5)}));
  p.setBrush(QColor(220, 90, 110));
  p.drawRoundedRect(QRectF(-2.4, -20, 4.8, 3), 1, 1);
}

// The drawing as PNG files in the sizes of the hicolor icon theme:
// <folder>/hicolor/<n>x<n>/apps/<name>.png.
void WriteThemeIcons(const Painting &paint, const std::filesystem::path &folder,
                     const std::string &name) {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QImage image = Draw(paint, size);
    const std::string edge = std::to_string(size);
    const auto file = folder / "hicolor" / (edge + "x" + edge) / "apps" / (name + ".png");
    std::filesystem::create_directories(file.parent_path());
    if (!image.save(QString::fromStdString(file.string()), "PNG"))
      std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
    else
      std::printf("wrote %s\n", file.string().c_str());
  }
}

Painting Tile(QColor fill, QString text) {
  return [fill, text](QPainter &p, int) {
    Frame(p, fill);
    Glyph(p, text);
  };
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 3 && argc != 4) {
    std::fprintf(
        stderr, "usage: corvane-make-icons <data folder> <examples folder> [<packaging folder>]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::filesystem::path data = argv[1];
  const std::filesystem::path examples = argv[2];

  icons::TIconLibrary program;
  for (auto &[name, paint] : Placeholders())
    program.Icons.AddIcon(name, Icon(paint, PlaceholderSizes));
  SaveLibrary(program, data / "corvane.icl");

  MakeWcmIcons(examples / "totalcmd" / "wcmicons.dll");
  WriteFile(examples / "totalcmd" / "tools" / "notes.exe",
            ProgramWithIcons({Tile(QColor(40, 120, 200), "N"), Tile(QColor(20, 80, 150), "N2")}));
  WriteFile(examples / "totalcmd" / "tools" / "sums.exe",
            ProgramWithIcons({Tile(QColor(40, 160, 80), "+"), Tile(QColor(160, 60, 160), "=")}));
  WriteFile(examples / "totalcmd" / "icons" / "star.ico",
            IcoFile(
                [](QPainter &p, int) {
                  QPainterPath star;
                  for (int i = 0; i < 10; ++i) {
                    const double r = i % 2 ? 6 : 14;
                    const double a = -M_PI / 2 + i * M_PI / 5;
                    const QPointF pt(16 + r * std::cos(a), 16 + r * std::sin(a));
                    i ? star.lineTo(pt) : star.moveTo(pt);
                  }
                  star.closeSubpath();
                  p.setPen(QPen(QColor(150, 100, 0), 1.5));
                  p.setBrush(QColor(250, 200, 30));
                  p.drawPath(star);
                },
                {16, 32, 48}));
  if (argc == 4)
    WriteThemeIcons(PaintApplication, std::filesystem::path(argv[3]) / "icons", "corvane");
  return 0;
}
