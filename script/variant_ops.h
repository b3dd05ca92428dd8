// Operators of the script language on Variants, with Object Pascal variant
// rules: + joins two texts and adds anything else (a text next to a number is
// read as a number); / always gives a float; div and mod work on integers;
// and/or/xor/not are logical on Booleans and bitwise on integers; Null in an
// arithmetic or logical operation gives Null; comparisons follow VarCompare
// (Null equals only Null and sorts below everything).
#pragma once

#include "platform/variant.h"

namespace kanvo {

enum class ScriptOp {
    Add,
    Sub,
    Mul,
    Divide,
    IntDiv,
    Mod,
    And,
    Or,
    Xor,
    Shl,
    Shr,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge
};

// Raises EVariantError for values that do not fit the operator and
// Exception("Division by zero") for div, mod and / by zero.
Variant VarBinary(ScriptOp op, const Variant& a, const Variant& b);
Variant VarNeg(const Variant& a);
Variant VarNot(const Variant& a);

} // namespace kanvo
