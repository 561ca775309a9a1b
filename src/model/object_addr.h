#pragma once
// Names one object of the print system (or a set of them): class code, name and domain.

#include <cstdint>
#include <string>

// Object class codes.
enum ObjectClass : int32_t {
    kClassServer = 1,
    kClassPrinter = 2,
    kClassQueue = 3,
    kClassJob = 4,
    kClassDocument = 5,
    kClassIvj = 6,
    kClassIvd = 7,
};

class clsObjectAddr {
public:
    clsObjectAddr& Init(int32_t in_iObjClass, const std::string& in_sObjName,
                        const std::string& in_sObjDomain) {
        m_class = in_iObjClass;
        m_name = in_sObjName;
        m_domain = in_sObjDomain;
        return *this;
    }
    int32_t ObjectClass() const { return m_class; }
    void ObjectClass(int32_t vData) { m_class = vData; }
    std::string ObjectName() const { return m_name; }
    void ObjectName(const std::string& vData) { m_name = vData; }
    std::string ObjectDomain() const { return m_domain; }
    void ObjectDomain(const std::string& vData) { m_domain = vData; }

private:
    int32_t m_class = 0;
    std::string m_name;
    std::string m_domain;
};
