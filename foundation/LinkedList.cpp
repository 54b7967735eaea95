#include "LinkedList.h"

#include <new>

#include "Exception.h"

Iterator::~Iterator() {
    delete object_;
    // Unlink the chain node by node so that a long list never recurses.
    Iterator* rest = next_;
    next_ = nullptr;
    while (rest != nullptr) {
        Iterator* following = rest->next_;
        rest->next_ = nullptr;
        delete rest;
        rest = following;
    }
}

LinkedList::~LinkedList() { clear(); }

void LinkedList::addLast(Object* element) {
    if (element == nullptr) return;
    Iterator* node = new (std::nothrow) Iterator(element, nullptr);
    if (node == nullptr) throw Exception("LinkedList#addLast,1,Failed to allocate memory", -13);
    if (head_ == nullptr) head_ = node;
    if (tail_ == nullptr) {
        tail_ = node;
    } else {
        tail_->setNext(node);
        tail_ = node;
    }
}

void LinkedList::addFirst(Object* element) {
    if (element == nullptr) return;
    Iterator* node = new (std::nothrow) Iterator(element, head_);
    if (node == nullptr) throw Exception("LinkedList#addFirst,1,Failed to allocate memory", -13);
    head_ = node;
    if (tail_ == nullptr) tail_ = head_;
}

int LinkedList::getLength() const {
    int count = 0;
    for (Iterator* node = head_; node != nullptr; node = node->getNext()) ++count;
    return count;
}

int LinkedList::addAllCopies(const LinkedList& source) {
    int count = 0;
    for (Iterator* node = source.head_; node != nullptr; node = node->getNext()) {
        const String* text = static_cast<const String*>(node->getObject());
        String* copy = new String(text->getContents());
        try {
            addLast(copy);
        } catch (...) {
            delete copy;
            throw;
        }
        ++count;
    }
    return count;
}

void LinkedList::clear() {
    delete head_;
    head_ = nullptr;
    tail_ = nullptr;
}

void LinkedList::display() {
    for (Iterator* node = head_; node != nullptr; node = node->getNext()) node->getObject()->display();
}

ListItem::ListItem(const char* name, int index, int flag, const char* owner)
    : name_(name), index_(index), flag_(flag != 0), owner_("") {
    if (owner != nullptr) owner_ = owner;
}
