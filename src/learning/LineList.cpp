#include "learning/LineList.h"

#include <utility>

LineList::~LineList() {
    clear();
}

void LineList::append(QByteArray text) {
    auto* node = new Node;
    node->index = last->index + 1;
    node->text = std::move(text);
    last->next = node;
    last = node;
}

void LineList::clear() {
    Node* node = head.next;
    while (node != nullptr) {
        Node* next = node->next;
        delete node;
        node = next;
    }
    head.next = nullptr;
    last = &head;
}

void LineList::takeFrom(LineList& other) {
    if (&other == this) {
        return;
    }
    clear();
    if (other.empty()) {
        return;
    }
    head.next = other.head.next;
    last = other.last;
    other.head.next = nullptr;
    other.last = &other.head;
}
