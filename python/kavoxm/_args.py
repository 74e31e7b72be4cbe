"""Argument checks before a value reaches C: a Python integer has no bounds, a C int32 wraps, so
each argument is checked against the C type (OverflowError) and against the range the call
accepts (ValueError) instead of being cut to 32 bits."""

from __future__ import annotations

import math
import operator
from typing import Any, Optional

from ._capi import INT32_MAX, INT32_MIN


def integer(name: str, value: Any, low: Optional[int] = None, high: Optional[int] = None) -> int:
    """`value` as an int32 within low..high (bounds included; None: the type's own). bool and
    float are refused with TypeError: they are rarely meant as counts or positions."""
    if isinstance(value, bool) or isinstance(value, float):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}")
    try:
        number = operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None
    if number < INT32_MIN or number > INT32_MAX:
        raise OverflowError(f"{name} {number} is outside the 32-bit range")
    if (low is not None and number < low) or (high is not None and number > high):
        bounds = f"{'' if low is None else low}..{'' if high is None else high}"
        raise ValueError(f"{name} {number} is outside {bounds}")
    return number


def real(name: str, value: Any, low: Optional[float] = None,
         high: Optional[float] = None) -> float:
    """`value` as a finite float within low..high (bounds included)."""
    if isinstance(value, bool):
        raise TypeError(f"{name} must be a number, not bool")
    try:
        number = float(value)
    except (TypeError, ValueError):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}") from None
    if math.isnan(number):
        raise ValueError(f"{name} is not a number")
    if math.isinf(number):
        raise OverflowError(f"{name} is infinite")
    if (low is not None and number < low) or (high is not None and number > high):
        bounds = f"{'' if low is None else low}..{'' if high is None else high}"
        raise ValueError(f"{name} {number} is outside {bounds}")
    return number
