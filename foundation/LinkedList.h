#pragma once

#include "Object.h"
#include "String.h"

// One node of a LinkedList: owns its element and, through next, the rest of
// the chain.
class Iterator : public Object {
public:
    Iterator(Object* object, Iterator* next) : object_(object), next_(next) {}
    // Deletes the element and the chain behind this node, iteratively.
    ~Iterator() override;
    Iterator(const Iterator&) = delete;
    Iterator& operator=(const Iterator&) = delete;

    Object* getObject() const { return object_; }
    Iterator* getNext() const { return next_; }
    void setNext(Iterator* next) { next_ = next; }

private:
    Object* object_;
    Iterator* next_;
};

// Singly linked list of owned elements. Not synchronised: one thread at a
// time; jobs take deep copies with addAllCopies.
class LinkedList : public Object {
public:
    LinkedList() = default;
    ~LinkedList() override;
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;

    // Both ignore a null element and throw Exception -13 when no node can be
    // allocated (the element is then not owned by the list).
    void addLast(Object* element);
    void addFirst(Object* element);
    int getLength() const;
    Iterator* getHead() const { return head_; }
    // Appends a new String for every element of source (all must be Strings);
    // returns the number of source nodes.
    int addAllCopies(const LinkedList& source);
    void clear();
    void display() override;

private:
    Iterator* head_ = nullptr;
    Iterator* tail_ = nullptr;
};

// One selected row of the file list.
class ListItem : public Object {
public:
    ListItem(const char* name, int index, int flag, const char* owner);

    void getName(String& name) const { name = name_; }
    int getIndex() const { return index_; }
    bool getFlag() const { return flag_; }
    void getOwner(String& owner) const { owner = owner_; }

private:
    String name_;
    int index_;
    bool flag_;
    String owner_;
};
