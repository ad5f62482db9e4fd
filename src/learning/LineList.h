#pragma once

#include <QByteArray>

// Text lines in the order they were appended. Appending goes through the last-node pointer, so a
// game's thousands of coordinate lines cost constant time each. Lines are kept as UTF-8.
class LineList {
public:
    struct Node {
        Node* next = nullptr;
        int index = 0;
        QByteArray text;
    };

    LineList() = default;
    ~LineList();
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;

    void append(QByteArray text);
    // Iterative, so a long list cannot overflow the stack.
    void clear();
    // Takes the other list's lines, leaving it empty; this list's own lines go.
    void takeFrom(LineList& other);

    int count() const { return last->index; }
    bool empty() const { return head.next == nullptr; }
    Node* first() const { return head.next; }

private:
    Node head;
    Node* last = &head;
};
