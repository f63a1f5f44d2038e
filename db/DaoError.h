#pragma once

#include <QString>

#include <exception>
#include <string>

namespace dao {

// Error numbers as the Jet engine and DAO report them.
enum ErrorNumber : int {
    errNoCurrentRecord = 3021,    // 无当前记录
    errDuplicateValue = 3022,     // 重复值
    errFileNotFound = 3024,       // 找不到文件
    errDiskFull = 3026,           // 磁盘空间不足
    errReadOnly = 3027,           // 数据库只读
    errNotValidPassword = 3031,   // 无效的密码
    errNoTransaction = 3034,      // 没有开始事务就提交或回滚
    errDiskIo = 3043,             // 磁盘或网络错误
    errCannotOpen = 3051,         // 不能打开文件
    errTooFewParameters = 3061,   // 参数不足（未知的字段名）
    errSyntaxInExpression = 3075, // 查询表达式语法错误
    errTableNotFound = 3078,      // 找不到输入表
    errInvalidStatement = 3129,   // 无效的 SQL 语句
    errSyntaxInFrom = 3131,       // FROM 子句语法错误
    errSyntaxInInsert = 3134,     // INSERT INTO 语句语法错误
    errSyntaxInUpdate = 3144,     // UPDATE 语句语法错误
    errUnknownInsertField = 3127, // INSERT INTO 语句包含未知字段
    errRecordDeleted = 3167,      // 记录已被删除
    errLocked = 3260,             // 已被其他用户锁定
    errUnrecognizedFormat = 3343, // 无法识别的数据库格式
    errItemNotFound = 3265,       // 集合中找不到项目
    errObjectClosed = 3420,       // 对象无效或不再设置
    errTypeMismatch = 3464,       // 标准表达式中数据类型不匹配
    errEngine = 3000,             // 其他引擎错误
};

// A database failure: a DAO error number and a Chinese description for the user.
class DaoError : public std::exception {
public:
    DaoError(int number, QString description)
        : m_number(number), m_description(std::move(description)), m_what(m_description.toStdString()) {}

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

} // namespace dao
