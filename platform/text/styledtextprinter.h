#pragma once
// Lays a styled text out in lines of one width and draws it block by block on a surface, every
// character in its own font, size, bold, italic, underline and colour. Only the paragraph being
// drawn is laid out at any time, so a long text costs no more memory than its longest paragraph.

#include <QTextBlock>
#include <memory>

class QPainter;
class QPaintDevice;
class QTextDocument;
class QTextLayout;

namespace fw {

class Graphics;

class StyledTextPrinter {
 public:
  // `width` in the surface's units. The document must outlive the printer and stay unchanged.
  StyledTextPrinter(const QTextDocument* document, Graphics& surface, int width);
  // The same over a text of its own.
  StyledTextPrinter(std::unique_ptr<QTextDocument> document, Graphics& surface, int width);
  ~StyledTextPrinter();

  // Draws, with its top left at (x, y), as many of the next lines as fit whole in `height`, and at
  // least one, so that a line taller than the block still moves the printer on.
  void DrawBlock(int x, int y, int height);
  // Moves past the lines DrawBlock would draw in `height`, drawing nothing.
  void SkipBlock(int height);
  // True once every line has been drawn; at once for an empty text. (EOF itself is a macro of the
  // C library.)
  bool EOF_();

  // Where the next line to draw is, to come back to it (a page printed again, or out of order).
  struct Position {
    int block = -1;  // -1 before the text, kEnd past it
    int line = 0;
    static constexpr int kEnd = -2;
  };
  Position Tell() const;
  void Seek(const Position& position);

 private:
  bool HasLine();
  void LayOut(const QTextBlock& block);
  void Advance(int x, int y, int height, bool draw);

  std::unique_ptr<QTextDocument> owned_;
  const QTextDocument* document_;
  QPainter* painter_;
  QPaintDevice* device_;
  double scale_;
  double width_;
  QTextBlock block_;
  std::unique_ptr<QTextLayout> layout_;
  int line_ = 0;
  bool started_ = false;
};

}  // namespace fw
