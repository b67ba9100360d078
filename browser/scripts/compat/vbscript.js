// VBScript for pages written for Internet Explorer: an interpreter of our own (values, lexer,
// parser, evaluator, built-in functions) and the page side that runs <script language="VBScript">
// blocks in document order, VBScript event attributes, vbscript: addresses and Sub X_onevent.
compat.part('vbscript', function () {
  'use strict';

  var win = window;
  var doc = win.document;

  // A lookup table whose keys a script's words cannot confuse with Object's own (constructor...).
  function table(entries) {
    var t = Object.create(null);
    for (var k in entries) t[k] = entries[k];
    return t;
  }

  // ---------------------------------------------------------------- values

  // Empty is undefined, Null is null; Nothing is its own object so that Set x = Nothing and a
  // JavaScript null stay apart where VBScript tells them apart (IsNull, TypeName).
  var NOTHING = Object.freeze({ vbNothing: true });

  // An OLE date: days since 30 December 1899, the fraction the time of day.
  function VDate(serial) {
    this.serial = serial;
  }
  VDate.prototype.valueOf = function () {
    return this.serial;
  };
  VDate.prototype.toString = function () {
    return formatDate(this, 0);
  };

  // A VBScript array: zero-based, every dimension's upper bound in ub, the elements column-major
  // so that ReDim Preserve of the last dimension only appends.
  function VArray(ub, data) {
    this.ub = ub;
    if (!data && arraySize(ub) > MAX_ITEMS) throw vbErr(7);
    this.data = data || new Array(arraySize(ub));
  }
  // Beyond these an array or a string is more than a page script can mean; VBScript ran out of
  // memory there too.
  var MAX_ITEMS = 1 << 24;
  var MAX_CHARS = 1 << 26;
  function capped(s) {
    if (s.length > MAX_CHARS) throw vbErr(7);
    return s;
  }
  function arraySize(ub) {
    var n = ub.length ? 1 : 0;
    for (var i = 0; i < ub.length; i++) n *= ub[i] + 1;
    return n;
  }
  VArray.prototype.offset = function (idx) {
    if (!this.ub.length || idx.length !== this.ub.length) throw vbErr(9);
    var off = 0;
    var stride = 1;
    for (var i = 0; i < idx.length; i++) {
      var k = toIndex(idx[i]);
      if (k < 0 || k > this.ub[i]) throw vbErr(9);
      off += k * stride;
      stride *= this.ub[i] + 1;
    }
    return off;
  };
  VArray.prototype.get = function (idx) {
    return this.data[this.offset(idx)];
  };
  VArray.prototype.set = function (idx, v) {
    this.data[this.offset(idx)] = v;
  };
  VArray.prototype.copy = function () {
    var d = new Array(this.data.length);
    for (var i = 0; i < d.length; i++) d[i] = copyValue(this.data[i]);
    return new VArray(this.ub.slice(), d);
  };
  function arrayOf(list) {
    return new VArray([list.length - 1], list);
  }
  function copyValue(v) {
    return v instanceof VArray ? v.copy() : v;
  }

  // What JavaScript sees of a VBScript array, as IE's JScript saw a safe array through VBArray.
  function SafeArray(a) {
    this.vbArray = a;
  }
  SafeArray.prototype.toString = function () {
    return '';
  };

  // ---------------------------------------------------------------- errors

  var MESSAGES = {
    5: 'Невалидно извикване на процедура или невалиден аргумент',
    6: 'Препълване',
    7: 'Недостатъчно памет',
    9: 'Индексът е извън обхвата',
    10: 'Масивът е с фиксиран размер',
    11: 'Деление на нула',
    13: 'Несъответствие на типовете',
    28: 'Няма място в стека',
    35: 'Процедурата не е дефинирана',
    51: 'Вътрешна грешка',
    91: 'Обектната променлива не е зададена',
    92: 'Цикълът For не е инициализиран',
    94: 'Невалидно използване на Null',
    424: 'Изисква се обект',
    429: 'Компонентът не може да създаде обект',
    438: 'Обектът не поддържа това свойство или метод',
    445: 'Обектът не поддържа това действие',
    450: 'Грешен брой аргументи или невалидно присвояване на свойство',
    451: 'Обектът не е колекция',
    457: 'Ключът вече е свързан с елемент от колекцията',
    500: 'Променливата не е дефинирана',
    501: 'Недопустимо присвояване',
    1002: 'Синтактична грешка',
    1005: 'Очаква се „(“',
    1006: 'Очаква се „)“',
    1007: 'Очаква се „]“',
    1010: 'Очаква се идентификатор',
    1011: 'Очаква се „=“',
    1012: 'Очаква се „If“',
    1013: 'Очаква се „To“',
    1014: 'Очаква се „End“',
    1015: 'Очаква се „Function“',
    1016: 'Очаква се „Sub“',
    1017: 'Очаква се „Then“',
    1018: 'Очаква се „Wend“',
    1019: 'Очаква се „Loop“',
    1020: 'Очаква се „Next“',
    1021: 'Очаква се „Case“',
    1022: 'Очаква се „Select“',
    1023: 'Очаква се израз',
    1024: 'Очаква се оператор',
    1025: 'Очаква се край на оператора',
    1026: 'Очаква се цяло число',
    1029: 'Очаква се „With“',
    1031: 'Невалидно число',
    1032: 'Невалиден знак',
    1033: 'Незатворен низ',
    1039: 'Невалиден оператор „Exit“',
    1041: 'Името е вече дефинирано',
    1046: 'Очаква се „In“',
    1047: 'Очаква се „Class“',
    1048: 'Трябва да е дефинирано в клас',
    1049: 'Очаква се Let, Set или Get в декларацията на свойство',
    1050: 'Очаква се „Property“',
    1055: 'Неочакван „Next“'
  };

  // A VBScript error: a number, its text, and the line (within its block) where it arose.
  function VBError(number, description, line) {
    this.number = number;
    this.description = description;
    this.line = line;
    this.source = 'Microsoft VBScript';
  }
  VBError.prototype.toString = function () {
    return this.description;
  };
  function vbErr(number, what, line) {
    var text = MESSAGES[number] || 'Грешка ' + number;
    return new VBError(number, what ? text + ": '" + what + "'" : text, line);
  }
  function syntaxErr(number, line) {
    var e = vbErr(number, null, line);
    e.syntax = true;
    return e;
  }
  // A fault from the engine (a JavaScript function, a DOM call) as VBScript sees it.
  function asVBError(e) {
    if (e instanceof VBError) return e;
    var text = e && e.message !== undefined ? String(e.message) : String(e);
    // Out of stack, even where the engine noticed it while compiling a regular expression.
    if (text.indexOf('call stack') >= 0) return vbErr(28);
    if (e instanceof RangeError && text.indexOf('length') >= 0) return vbErr(7);
    var out = new VBError(e && typeof e.number === 'number' ? e.number : 5002, text);
    out.source = 'JScript';
    return out;
  }

  // ---------------------------------------------------------------- conversions

  // document.all counts: today's engines make it look undefined on purpose.
  function isObj(v) {
    var t = typeof v;
    return (t === 'object' && v !== null) || t === 'function' || (v !== undefined && t === 'undefined');
  }

  // The value an object stands for where a plain value is needed (its default property).
  function defaultValue(v) {
    if (v === NOTHING) throw vbErr(91);
    if (v instanceof VArray) throw vbErr(13);
    if (v instanceof VBClassObject) return v.defaultGet();
    if (v instanceof ErrObject) return v.number;
    if (v instanceof SafeArray) throw vbErr(13);
    var p;
    try {
      p = v.valueOf();
    } catch (e) {
      p = v;
    }
    if (isObj(p)) p = String(v);
    return p instanceof Date ? fromJsDate(p) : p;
  }

  var NUM_RE = /^[+-]?(\d+\.?\d*|\.\d+)([eEdD][+-]?\d+)?$/;
  // A numeric string as VBScript reads it, or null.
  function parseNumber(s) {
    s = s.replace(/^[\s\u00a0]+|[\s\u00a0]+$/g, '');
    if (NUM_RE.test(s)) return parseFloat(s.replace(/[dD]/, 'e'));
    var m = /^([+-]?)&([hHoO])([0-9a-fA-F]+)&?$/.exec(s);
    if (m) {
      var n = parseInt(m[3], m[2].toLowerCase() === 'h' ? 16 : 8);
      if (isNaN(n)) return null;
      return m[1] === '-' ? -n : n;
    }
    if (/^[+-]?\d{1,3}(,\d{3})+(\.\d*)?$/.test(s)) return parseFloat(s.replace(/,/g, ''));
    return null;
  }

  function toNum(v) {
    switch (typeof v) {
      case 'number':
        return v;
      case 'boolean':
        return v ? -1 : 0;
      case 'undefined':
        return 0;
      case 'string':
        var n = parseNumber(v);
        if (n === null) throw vbErr(13);
        return n;
      default:
        if (v === null) throw vbErr(94);
        if (v instanceof VDate) return v.serial;
        return toNum(defaultValue(v));
    }
  }

  function checked(n) {
    if (!isFinite(n)) throw vbErr(isNaN(n) ? 5 : 6);
    return n;
  }

  // Banker's rounding, as VBScript rounds to whole numbers.
  function roundEven(x) {
    var f = Math.floor(x);
    var d = x - f;
    if (d > 0.5) return f + 1;
    if (d < 0.5) return f;
    return f % 2 === 0 ? f : f + 1;
  }

  function toLong(v) {
    var n = roundEven(toNum(v));
    if (n > 2147483647 || n < -2147483648) throw vbErr(6);
    return n;
  }

  function toIndex(v) {
    var n = roundEven(toNum(v));
    if (n > 2147483647 || n < -2147483648) throw vbErr(9);
    return n;
  }

  function toBool(v) {
    switch (typeof v) {
      case 'boolean':
        return v;
      case 'number':
        return v !== 0;
      case 'undefined':
        return false;
      case 'string':
        var t = v.replace(/^\s+|\s+$/g, '').toLowerCase();
        if (t === 'true') return true;
        if (t === 'false') return false;
        var n = parseNumber(t);
        if (n === null) throw vbErr(13);
        return n !== 0;
      default:
        if (v === null) throw vbErr(94);
        if (v instanceof VDate) return v.serial !== 0;
        return toBool(defaultValue(v));
    }
  }

  function formatNumber(n) {
    if (n === 0) return '0';
    if (Number.isInteger(n) && Math.abs(n) < 1e15) return String(n);
    var s = String(parseFloat(n.toPrecision(15)));
    var m = /^(-?[\d.]+)e([+-])(\d+)$/.exec(s);
    if (m) return m[1] + 'E' + m[2] + (m[3].length < 2 ? '0' : '') + m[3];
    if (Math.abs(n) >= 1e15) {
      s = parseFloat(n.toPrecision(15)).toExponential();
      m = /^(-?[\d.]+)e([+-])(\d+)$/.exec(s);
      return m[1] + 'E' + m[2] + (m[3].length < 2 ? '0' : '') + m[3];
    }
    return s;
  }

  function toStr(v) {
    switch (typeof v) {
      case 'string':
        return v;
      case 'number':
        return formatNumber(v);
      case 'boolean':
        return v ? 'True' : 'False';
      case 'undefined':
        return '';
      default:
        if (v === null) throw vbErr(94);
        if (v instanceof VDate) return formatDate(v, 0);
        return toStr(defaultValue(v));
    }
  }

  // VBScript's kinds for comparison: 'e' Empty, 'n' numeric, 's' string.
  function kindOf(v) {
    if (v === undefined) return 'e';
    var t = typeof v;
    if (t === 'string') return 's';
    if (t === 'number' || t === 'boolean' || v instanceof VDate) return 'n';
    return 'o';
  }

  // -1, 0, 1, or null when Null takes part. A numeric literal beside a string compares as a
  // number, as VBScript's hard-typed literals did; otherwise a number is less than a string.
  function compare(a, b, text, litA, litB) {
    if (a === null || b === null) return null;
    var ka = kindOf(a);
    var kb = kindOf(b);
    if (ka === 'o') {
      a = defaultValue(a);
      ka = kindOf(a);
    }
    if (kb === 'o') {
      b = defaultValue(b);
      kb = kindOf(b);
    }
    if (a === null || b === null) return null;
    if (ka === 'e' && kb === 'e') return 0;
    if (ka === 'e') {
      a = kb === 's' ? '' : 0;
      ka = kb;
    }
    if (kb === 'e') {
      b = ka === 's' ? '' : 0;
      kb = ka;
    }
    if (ka === 'n' && kb === 'n') return cmpNum(toNum(a), toNum(b));
    if (ka === 's' && kb === 's') return cmpStr(a, b, text);
    if (ka === 'n' && litA) {
      var nb = parseNumber(b);
      if (nb === null) throw vbErr(13);
      return cmpNum(toNum(a), nb);
    }
    if (kb === 'n' && litB) {
      var na = parseNumber(a);
      if (na === null) throw vbErr(13);
      return cmpNum(na, toNum(b));
    }
    return ka === 'n' ? -1 : 1;
  }
  function cmpNum(x, y) {
    return x < y ? -1 : x > y ? 1 : 0;
  }
  function cmpStr(x, y, text) {
    if (text) {
      x = x.toLowerCase();
      y = y.toLowerCase();
    }
    return x < y ? -1 : x > y ? 1 : 0;
  }

  // ---------------------------------------------------------------- dates

  var MS_DAY = 86400000;
  var EPOCH = Date.UTC(1899, 11, 30);
  var MONTHS = ['януари', 'февруари', 'март', 'април', 'май', 'юни', 'юли', 'август', 'септември',
    'октомври', 'ноември', 'декември'];
  var MONTHS_SHORT = ['яну', 'фев', 'мар', 'апр', 'май', 'юни', 'юли', 'авг', 'сеп', 'окт', 'ное', 'дек'];
  var DAYS = ['неделя', 'понеделник', 'вторник', 'сряда', 'четвъртък', 'петък', 'събота'];
  var DAYS_SHORT = ['нд', 'пн', 'вт', 'ср', 'чт', 'пт', 'сб'];
  var EN_MONTHS = ['jan', 'feb', 'mar', 'apr', 'may', 'jun', 'jul', 'aug', 'sep', 'oct', 'nov', 'dec'];

  function makeDate(y, mo, d, h, mi, s) {
    // Date.UTC maps years 0..99 to 1900..1999; VBScript's two-digit years do 30..99 / 00..29.
    var t = Date.UTC(2000, mo - 1, d, h || 0, mi || 0, s || 0);
    var dt = new Date(t);
    dt.setUTCFullYear(y, mo - 1, d);
    return new VDate((dt.getTime() - EPOCH) / MS_DAY);
  }
  function fromJsDate(d) {
    return makeDate(d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(),
      d.getSeconds() + d.getMilliseconds() / 1000);
  }
  // {y, mo, d, h, mi, s, wd} of a date serial.
  function parts(serial) {
    var ms = Math.round(serial * MS_DAY);
    var dt = new Date(EPOCH + ms);
    return {
      y: dt.getUTCFullYear(),
      mo: dt.getUTCMonth() + 1,
      d: dt.getUTCDate(),
      h: dt.getUTCHours(),
      mi: dt.getUTCMinutes(),
      s: dt.getUTCSeconds(),
      wd: dt.getUTCDay()
    };
  }
  function toJsDate(v) {
    var p = parts(v.serial);
    return new Date(p.y, p.mo - 1, p.d, p.h, p.mi, p.s);
  }
  function pad2(n) {
    return n < 10 ? '0' + n : String(n);
  }
  function shortDate(p) {
    return p.d + '.' + pad2(p.mo) + '.' + p.y;
  }
  function longTime(p) {
    return p.h + ':' + pad2(p.mi) + ':' + pad2(p.s);
  }
  // The way Windows' Bulgarian regional settings wrote dates: d.MM.yyyy and H:mm:ss.
  function formatDate(v, kind) {
    var serial = v.serial;
    var p = parts(serial);
    var whole = Math.floor(serial);
    var hasTime = serial !== whole;
    switch (kind) {
      case 1:
        return DAYS[p.wd] + ', ' + p.d + ' ' + MONTHS[p.mo - 1] + ' ' + p.y + ' г.';
      case 2:
        return shortDate(p);
      case 3:
        return longTime(p);
      case 4:
        return pad2(p.h) + ':' + pad2(p.mi);
      default:
        if (whole === 0 && hasTime) return longTime(p);
        return hasTime ? shortDate(p) + ' ' + longTime(p) : shortDate(p);
    }
  }

  function monthFromName(name) {
    var n = name.toLowerCase().slice(0, 3);
    var i = EN_MONTHS.indexOf(n);
    if (i < 0) i = MONTHS_SHORT.indexOf(n);
    return i < 0 ? -1 : i + 1;
  }
  function fullYear(y) {
    if (y < 30) return 2000 + y;
    if (y < 100) return 1900 + y;
    return y;
  }
  // A date written as text: d.M.yyyy (Bulgarian), M/d/yyyy (the literals' form), yyyy-M-d, with a
  // month name, and a time with an optional AM/PM; null when it is none of these.
  function parseDate(text, usOrder) {
    var s = String(text).replace(/^\s+|\s+$/g, '');
    if (!s) return null;
    var day = 0;
    var hasDate = false;
    var time = 0;
    var hasTime = false;
    var tm = /(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*([ap]\.?m\.?)?\s*$/i.exec(s);
    if (tm) {
      var h = +tm[1];
      var mi = +tm[2];
      var se = tm[3] ? +tm[3] : 0;
      if (tm[4]) {
        var pm = /^p/i.test(tm[4]);
        if (h > 12) return null;
        if (h === 12) h = 0;
        if (pm) h += 12;
      }
      if (h > 23 || mi > 59 || se > 59) return null;
      time = (h * 3600 + mi * 60 + se) / 86400;
      hasTime = true;
      s = s.slice(0, tm.index).replace(/\s+$/, '');
    } else {
      var t2 = /(\d{1,2})\s*([ap])\.?m\.?\s*$/i.exec(s);
      if (t2) {
        var hh = +t2[1] % 12 + (/p/i.test(t2[2]) ? 12 : 0);
        time = hh / 24;
        hasTime = true;
        s = s.slice(0, t2.index).replace(/\s+$/, '');
      }
    }
    s = s.replace(/\s*г\.?$/, '').replace(/,/g, ' ').replace(/\s+/g, ' ');
    if (s) {
      var y;
      var mo;
      var d;
      var m = /^(\d{1,4})([./-])(\d{1,2})(?:\2(\d{1,4}))?$/.exec(s);
      if (m) {
        var a = +m[1];
        var b = +m[3];
        var c = m[4] !== undefined ? +m[4] : null;
        if (m[1].length > 2) {
          y = a;
          mo = b;
          d = c === null ? 1 : c;
        } else if (m[2] === '/' || (usOrder && m[2] !== '.')) {
          mo = a;
          d = b;
          y = c === null ? new Date().getFullYear() : fullYear(c);
          if (mo > 12 && d <= 12) {
            var sw = mo;
            mo = d;
            d = sw;
          }
        } else {
          d = a;
          mo = b;
          y = c === null ? new Date().getFullYear() : fullYear(c);
        }
      } else {
        var w = s.split(' ');
        var named = -1;
        var nums = [];
        for (var i = 0; i < w.length; i++) {
          if (/^\d+$/.test(w[i])) nums.push(+w[i]);
          else if (monthFromName(w[i]) > 0 && named < 0) named = monthFromName(w[i]);
          else if (DAYS.indexOf(w[i].toLowerCase()) < 0 && !/^[a-z]+day$/i.test(w[i])) return null;
        }
        if (named < 0 || nums.length < 1 || nums.length > 2) return null;
        mo = named;
        if (nums.length === 1) {
          d = nums[0] > 31 ? 1 : nums[0];
          y = nums[0] > 31 ? nums[0] : new Date().getFullYear();
        } else if (nums[0] > 31) {
          y = nums[0];
          d = nums[1];
        } else {
          d = nums[0];
          y = fullYear(nums[1]);
        }
      }
      if (mo < 1 || mo > 12 || d < 1 || d > 31 || y > 9999) return null;
      var made = makeDate(y, mo, d);
      if (parts(made.serial).d !== d) return null;
      day = made.serial;
      hasDate = true;
    }
    if (!hasDate && !hasTime) return null;
    return new VDate(day + time);
  }

  function toDate(v) {
    if (v instanceof VDate) return v;
    if (typeof v === 'string') {
      var d = parseDate(v, false);
      if (d) return d;
      var n = parseNumber(v);
      if (n === null) throw vbErr(13);
      return new VDate(n);
    }
    if (v === null) throw vbErr(94);
    if (v instanceof Date) return fromJsDate(v);
    return new VDate(toNum(v));
  }

  // ---------------------------------------------------------------- Windows-1251 for Chr/Asc

  var CP1251_HIGH =
    '\u0402\u0403\u201a\u0453\u201e\u2026\u2020\u2021\u20ac\u2030\u0409\u2039\u040a\u040c\u040b\u040f' +
    '\u0452\u2018\u2019\u201c\u201d\u2022\u2013\u2014\ufffd\u2122\u0459\u203a\u045a\u045c\u045b\u045f' +
    '\u00a0\u040e\u045e\u0408\u00a4\u0490\u00a6\u00a7\u0401\u00a9\u0404\u00ab\u00ac\u00ad\u00ae\u0407' +
    '\u00b0\u00b1\u0406\u0456\u0491\u00b5\u00b6\u00b7\u0451\u2116\u0454\u00bb\u0458\u0405\u0455\u0457';
  function chrAnsi(n) {
    if (n < 128) return String.fromCharCode(n);
    if (n < 192) return CP1251_HIGH.charAt(n - 128);
    return String.fromCharCode(0x410 + n - 192);
  }
  function ascAnsi(c) {
    var u = c.charCodeAt(0);
    if (u < 128) return u;
    if (u >= 0x410 && u <= 0x44f) return u - 0x410 + 192;
    var i = CP1251_HIGH.indexOf(c.charAt(0));
    return i < 0 ? 63 : i + 128;
  }

  // ---------------------------------------------------------------- lexer

  // Token kinds: 'id' (v the name, lc lower case), 'num', 'str', 'date', 'op', 'nl' (end of a
  // statement: a line end or ':'), 'eof'. sp: white space came before it; ln: its line.
  function Token(k, v, ln, sp) {
    this.k = k;
    this.v = v;
    this.lc = k === 'id' ? v.toLowerCase() : v;
    this.ln = ln;
    this.sp = sp;
    // What the parser compares: a word in lower case, an operator.
    this.w = k === 'id' ? this.lc : null;
    this.o = k === 'op' ? v : null;
  }

  function isIdStart(c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c > '\u00bf' && c !== '\u2028' && c !== '\u2029');
  }
  function isIdPart(c) {
    return isIdStart(c) || (c >= '0' && c <= '9') || c === '_';
  }

  // Hex and octal literals: four digits or fewer are a 16-bit Integer, more a 32-bit Long.
  function radixLiteral(digits, radix, wide) {
    var n = parseInt(digits, radix);
    if (isNaN(n) || n > 0xffffffff) return null;
    if (!wide && n <= 0xffff) return n > 0x7fff ? n - 0x10000 : n;
    return n > 0x7fffffff ? n - 0x100000000 : n;
  }

  // Every token's text at once, by one global expression (the engine's own loop does the
  // scanning, which matters for code that runs once per page): blanks, a line end, a comment, a
  // line continuation, a name, a [name], a number, a string (closed or not), a date, a hex or
  // octal number, a two-character operator, and any one character else.
  var TOKENS = new RegExp(
    [
      '[ \\t\\u00a0\\f\\v\\ufeff]+',
      '\\r\\n?|[\\n\\u2028\\u2029]',
      "'[^\\r\\n]*",
      '_[ \\t\\u00a0\\f\\v]*(?:\\r\\n?|\\n|$)',
      '[A-Za-z_\\u00c0-\\u2027\\u202a-\\uffff][A-Za-z0-9_\\u00c0-\\u2027\\u202a-\\uffff]*',
      '\\[[^\\]\\r\\n]*\\]',
      '(?:\\d+\\.?\\d*|\\.\\d+)(?:[eEdD][+-]?\\d+)?[#!@%&]?',
      '"(?:[^"\\r\\n]|"")*"',
      '"[^\\r\\n]*',
      '#[^#\\r\\n]*#',
      '&(?:[hH][0-9a-fA-F]+|[oO]?[0-7]+)&?',
      '<>|<=|>=|=<|=>',
      '[\\s\\S]'
    ].join('|'),
    'g'
  );
  var OPERATORS = '+-*/\\^(),.=<>&';
  // The <!-- and --> lines that hid a block from browsers without scripts.
  var HIDERS = /^[ \t]*(?:<!--|-->).*$/gm;
  var NUMBER_END = /[#!@%&]$/;
  var CLOSED_STRING = /^"(?:[^"\r\n]|"")*"$/;

  function lex(source) {
    var src = source.indexOf('<!--') < 0 && source.indexOf('-->') < 0 ? source : source.replace(HIDERS, '');
    var texts = src.match(TOKENS) || [];
    var out = [];
    var line = 1;
    var sp = false;
    var last = null;
    for (var i = 0; i < texts.length; i++) {
      var t = texts[i];
      var c = t.charCodeAt(0);
      var kind;
      var value = t;
      if (c === 32 || c === 9 || c === 0xa0 || c === 12 || c === 11 || c === 0xfeff) {
        sp = true;
        continue;
      }
      if (c === 13 || c === 10 || c === 0x2028 || c === 0x2029) kind = 'nl';
      else if (c === 39) continue;
      else if (c === 95 && (t.length === 1 || !isIdPart(t.charAt(1)))) {
        // a line continuation: '_' and nothing but blanks before the line's end
        if (!/[\r\n]$/.test(t)) {
          if (i === texts.length - 1 && /^_[ \t]*$/.test(t)) continue;
          throw syntaxErr(1032, line);
        }
        line++;
        sp = true;
        continue;
      } else if ((c >= 97 && c <= 122) || (c >= 65 && c <= 90) || c === 95 || c >= 0xc0) {
        if (t.length === 3 && (last === null || last.k === 'nl') && t.toLowerCase() === 'rem') {
          while (i + 1 < texts.length && !/^[\r\n\u2028\u2029]/.test(texts[i + 1])) i++;
          continue;
        }
        kind = 'id';
      } else if (c === 91) {
        if (t.length < 2 || t.charCodeAt(t.length - 1) !== 93) throw syntaxErr(1007, line);
        kind = 'id';
        value = t.slice(1, -1);
      } else if ((c >= 48 && c <= 57) || (c === 46 && t.length > 1)) {
        if (c === 46 && last && !sp && (last.k === 'id' || (last.k === 'op' && last.v === ')'))) {
          // a.5 is not a number: the '.' reaches a member
          out.push((last = new Token('op', '.', line, sp)));
          sp = false;
          t = t.slice(1);
        }
        var next = texts[i + 1];
        if (next && (next.charCodeAt(0) >= 0xc0 || /^[A-Za-z_]/.test(next))) throw syntaxErr(1025, line);
        kind = 'num';
        value = parseFloat(t.replace(NUMBER_END, '').replace(/[dD]/, 'e'));
      } else if (c === 34) {
        if (!CLOSED_STRING.test(t)) throw syntaxErr(1033, line);
        kind = 'str';
        value = t.slice(1, -1);
        if (value.indexOf('""') >= 0) value = value.replace(/""/g, '"');
      } else if (c === 35) {
        value = t.length > 1 ? parseDate(t.slice(1, -1), true) : null;
        if (!value) throw syntaxErr(1002, line);
        kind = 'date';
      } else if (c === 38 && t.length > 1) {
        var wide = t.charCodeAt(t.length - 1) === 38;
        var digits = wide ? t.slice(1, -1) : t.slice(1);
        var hex = digits.charAt(0) === 'h' || digits.charAt(0) === 'H';
        if (hex || digits.charAt(0) === 'o' || digits.charAt(0) === 'O') digits = digits.slice(1);
        value = radixLiteral(digits, hex ? 16 : 8, wide);
        if (value === null) throw syntaxErr(1031, line);
        kind = 'num';
      } else if (c === 58) {
        kind = 'nl';
        value = ':';
      } else if (t.length === 2) {
        kind = 'op';
        value = t === '=<' ? '<=' : t === '=>' ? '>=' : t;
      } else if (OPERATORS.indexOf(t) >= 0) kind = 'op';
      else throw syntaxErr(1032, line);
      out.push((last = new Token(kind, kind === 'nl' ? (value === ':' ? ':' : '\n') : value, line, sp)));
      sp = false;
      if (kind === 'nl' && value !== ':') line++;
    }
    out.push(new Token('nl', '\n', line, sp));
    for (var e = 0; e < 3; e++) out.push(new Token('eof', '', line, false));
    return out;
  }


  // ---------------------------------------------------------------- parser

  // Words that never name a variable.
  var RESERVED = Object.create(null);
  ('and or not xor eqv imp is mod if then else elseif end for to step next each in do loop while ' +
    'until wend select case sub function dim redim const set call exit on with new true false ' +
    'empty null nothing byval byref private public class option erase me let get property')
    .split(' ')
    .forEach(function (w) {
      RESERVED[w] = true;
    });

  var MISSING = { t: 'miss' };
  var EXIT_DO = 1;
  var EXIT_FOR = 2;
  var EXIT_PROC = 3;

  function Parser(tokens) {
    this.t = tokens;
    this.p = 0;
    this.lineIf = 0;
    this.loops = [];
    this.proc = null; // the procedure being parsed: {kind, decls}
    this.cls = null;
    this.topDecls = [];
  }
  var PP = Parser.prototype;

  // The token list ends with more than one 'eof', so a look one or two ahead needs no check.
  PP.peek = function (o) {
    return this.t[this.p + (o || 0)];
  };
  PP.next = function () {
    var tok = this.t[this.p];
    if (tok.k !== 'eof') this.p++;
    return tok;
  };
  PP.isKw = function (tok, w) {
    return tok.w === w;
  };
  PP.atKw = function (w, o) {
    return this.t[this.p + (o || 0)].w === w;
  };
  PP.acceptKw = function (w) {
    if (this.t[this.p].w !== w) return false;
    this.p++;
    return true;
  };
  PP.expectKw = function (w, code) {
    if (!this.acceptKw(w)) throw syntaxErr(code, this.t[this.p].ln);
  };
  PP.atOp = function (o, off) {
    return this.t[this.p + (off || 0)].o === o;
  };
  PP.acceptOp = function (o) {
    if (this.t[this.p].o !== o) return false;
    this.p++;
    return true;
  };
  PP.expectOp = function (o, code) {
    if (!this.acceptOp(o)) throw syntaxErr(code, this.t[this.p].ln);
  };
  // The end of a statement: a line end, ':', or the Else of a one-line If.
  PP.atEnd = function () {
    var tok = this.t[this.p];
    return tok.k === 'nl' || tok.k === 'eof' || (this.lineIf > 0 && tok.w === 'else');
  };
  PP.endStatement = function () {
    if (!this.atEnd()) throw syntaxErr(1025, this.t[this.p].ln);
  };
  PP.name = function () {
    var tok = this.peek();
    if (tok.k !== 'id' || RESERVED[tok.lc]) throw syntaxErr(1010, tok.ln);
    this.next();
    return tok;
  };
  // Any word after a '.': members may be called like keywords (x.Type, document.Close).
  PP.memberName = function () {
    var tok = this.next();
    if (tok.k !== 'id') throw syntaxErr(1010, tok.ln);
    return tok;
  };
  PP.declare = function (tok) {
    var list = this.proc ? this.proc.decls : this.topDecls;
    list.push(tok);
  };

  PP.program = function () {
    var body = [];
    var procs = [];
    var classes = [];
    for (;;) {
      var tok = this.peek();
      if (tok.k === 'eof') break;
      if (tok.k === 'nl') {
        this.next();
        continue;
      }
      var start = this.p;
      var s = this.statement(true);
      if (this.p === start) throw syntaxErr(1024, tok.ln);
      if (!s) continue;
      if (s.t === 'proc') procs.push(s);
      else if (s.t === 'class') classes.push(s);
      else body.push(s);
    }
    return { body: body, procs: procs, classes: classes, decls: this.topDecls };
  };

  // Statements up to one that `stop` accepts (not consumed); `code` is the error for a missing end.
  PP.block = function (stop, code) {
    var list = [];
    for (;;) {
      var tok = this.peek();
      if (tok.k === 'eof') throw syntaxErr(code, tok.ln);
      if (tok.k === 'nl') {
        this.next();
        continue;
      }
      if (stop(this)) return list;
      var start = this.p;
      var s = this.statement(false);
      if (this.p === start) throw syntaxErr(1024, tok.ln);
      if (s) list.push(s);
    }
  };
  function endOf(word) {
    return function (ps) {
      return ps.atKw('end') && ps.atKw(word, 1);
    };
  }

  PP.statement = function (top) {
    var tok = this.peek();
    if (tok.k === 'nl') {
      this.next();
      return null;
    }
    if (tok.k === 'op' && tok.v === '.') return this.callOrAssign(false);
    if (tok.k !== 'id') throw syntaxErr(1024, tok.ln);
    var s;
    switch (tok.lc) {
      case 'dim':
        this.next();
        return this.dim(tok.ln);
      case 'redim':
        return this.redim();
      case 'const':
        this.next();
        return this.constant(tok.ln);
      case 'public':
      case 'private':
        return this.visibility(top);
      case 'sub':
      case 'function':
        if (!top || this.proc) throw syntaxErr(1024, tok.ln);
        return this.procedure(tok.lc, true, false);
      case 'property':
        throw syntaxErr(1048, tok.ln);
      case 'class':
        if (!top) throw syntaxErr(1024, tok.ln);
        return this.classDef();
      case 'if':
        return this.ifStatement();
      case 'select':
        return this.selectStatement();
      case 'for':
        return this.forStatement();
      case 'do':
        return this.doStatement();
      case 'while':
        return this.whileStatement();
      case 'exit':
        return this.exitStatement();
      case 'call':
        return this.callStatement();
      case 'set':
        this.next();
        s = this.callOrAssign(true);
        if (s.t !== 'asg') throw syntaxErr(1011, tok.ln);
        return s;
      case 'let':
        this.next();
        s = this.callOrAssign(false);
        if (s.t !== 'asg') throw syntaxErr(1011, tok.ln);
        return s;
      case 'on':
        return this.onError();
      case 'option':
        this.next();
        this.expectKw('explicit', 1002);
        this.endStatement();
        return { t: 'opt', ln: tok.ln };
      case 'with':
        return this.withStatement();
      case 'erase':
        return this.eraseStatement();
      case 'stop':
        this.next();
        this.endStatement();
        return null;
      case 'end':
      case 'next':
      case 'loop':
      case 'wend':
      case 'else':
      case 'elseif':
      case 'case':
        throw syntaxErr(tok.lc === 'next' ? 1055 : 1024, tok.ln);
      default:
        if (RESERVED[tok.lc] && tok.lc !== 'me') throw syntaxErr(1024, tok.ln);
        return this.callOrAssign(false);
    }
  };

  PP.visibility = function (top) {
    var tok = this.next();
    var isDefault = this.acceptKw('default');
    var w = this.peek();
    if (this.isKw(w, 'sub') || this.isKw(w, 'function')) {
      if (this.proc || (!top && !this.cls)) throw syntaxErr(1024, w.ln);
      return this.procedure(w.lc, tok.lc === 'public', isDefault);
    }
    if (this.isKw(w, 'property')) {
      if (!this.cls || this.proc) throw syntaxErr(1048, w.ln);
      return this.procedure('property', tok.lc === 'public', isDefault);
    }
    if (this.isKw(w, 'const')) {
      this.next();
      return this.constant(tok.ln);
    }
    var d = this.dim(tok.ln);
    d.isPublic = tok.lc === 'public';
    return d;
  };

  // One declared name with its bounds: null for a scalar, [] for a dynamic array.
  PP.dimItem = function () {
    var n = this.name();
    var dims = null;
    if (this.acceptOp('(')) {
      dims = [];
      if (!this.acceptOp(')')) {
        do {
          dims.push(this.expression());
        } while (this.acceptOp(','));
        this.expectOp(')', 1006);
      }
    }
    return { n: n.v, lc: n.lc, dims: dims };
  };
  PP.dim = function (ln) {
    var vars = [];
    do {
      var v = this.dimItem();
      this.declare(v);
      vars.push(v);
    } while (this.acceptOp(','));
    this.endStatement();
    return { t: 'dim', ln: ln, vars: vars };
  };
  PP.redim = function () {
    var ln = this.next().ln;
    var pres = this.acceptKw('preserve');
    var vars = [];
    do {
      var v = this.dimItem();
      if (!v.dims || !v.dims.length) throw syntaxErr(1005, ln);
      vars.push(v);
    } while (this.acceptOp(','));
    this.endStatement();
    return { t: 'redim', ln: ln, pres: pres, vars: vars };
  };
  PP.constant = function (ln) {
    var items = [];
    do {
      var n = this.name();
      this.expectOp('=', 1011);
      items.push({ n: n.v, lc: n.lc, e: this.expression() });
      this.declare({ n: n.v, lc: n.lc, dims: null, isConst: true });
    } while (this.acceptOp(','));
    this.endStatement();
    return { t: 'const', ln: ln, items: items };
  };

  PP.procedure = function (kind, isPublic, isDefault) {
    var start = this.next();
    var pkind = kind;
    if (kind === 'property') {
      var w = this.next();
      if (!this.isKw(w, 'get') && !this.isKw(w, 'let') && !this.isKw(w, 'set')) throw syntaxErr(1049, w.ln);
      pkind = w.lc;
    }
    var n = this.name();
    var params = [];
    if (this.acceptOp('(')) {
      if (!this.acceptOp(')')) {
        do {
          var byval = false;
          if (this.acceptKw('byval')) byval = true;
          else this.acceptKw('byref');
          var pn = this.name();
          if (this.acceptOp('(')) this.expectOp(')', 1006);
          params.push({ n: pn.v, lc: pn.lc, byval: byval });
        } while (this.acceptOp(','));
        this.expectOp(')', 1006);
      }
    }
    this.endStatement();
    var outer = this.proc;
    var loops = this.loops;
    this.proc = { kind: pkind, decls: [] };
    this.loops = [];
    var endWord = kind === 'property' ? 'property' : kind;
    var body = this.block(endOf(endWord), kind === 'sub' ? 1016 : kind === 'function' ? 1015 : 1050);
    this.next();
    this.next();
    this.endStatement();
    var decls = this.proc.decls;
    this.proc = outer;
    this.loops = loops;
    return {
      t: 'proc',
      ln: start.ln,
      kind: pkind,
      n: n.v,
      lc: n.lc,
      params: params,
      body: body,
      decls: decls,
      isPublic: isPublic,
      isDefault: isDefault
    };
  };

  PP.classDef = function () {
    var ln = this.next().ln;
    var n = this.name();
    this.endStatement();
    var cls = { t: 'class', ln: ln, n: n.v, lc: n.lc, fields: [], procs: [] };
    this.cls = cls;
    for (;;) {
      var tok = this.peek();
      if (tok.k === 'eof') throw syntaxErr(1047, tok.ln);
      if (tok.k === 'nl') {
        this.next();
        continue;
      }
      if (this.atKw('end') && this.atKw('class', 1)) break;
      var s;
      if (this.isKw(tok, 'public') || this.isKw(tok, 'private')) s = this.visibility(true);
      else if (this.isKw(tok, 'dim')) {
        this.next();
        s = this.dim(tok.ln);
        s.isPublic = true;
      } else if (this.isKw(tok, 'sub') || this.isKw(tok, 'function')) s = this.procedure(tok.lc, true, false);
      else if (this.isKw(tok, 'property')) s = this.procedure('property', true, false);
      else throw syntaxErr(1024, tok.ln);
      if (s.t === 'proc') cls.procs.push(s);
      else if (s.t === 'dim') {
        for (var i = 0; i < s.vars.length; i++) {
          s.vars[i].isPublic = s.isPublic;
          cls.fields.push(s.vars[i]);
        }
      } else throw syntaxErr(1024, tok.ln);
    }
    this.next();
    this.next();
    this.endStatement();
    this.cls = null;
    this.topDecls = this.topDecls.filter(function (d) {
      return !cls.fields.some(function (f) {
        return f === d;
      });
    });
    return cls;
  };

  PP.ifStatement = function () {
    var ln = this.next().ln;
    var cond = this.expression();
    this.expectKw('then', 1017);
    var tok = this.peek();
    if (tok.k === 'eof' || (tok.k === 'nl' && tok.v === '\n')) return this.blockIf(ln, cond);
    // One line: If c Then a : b Else d
    this.lineIf++;
    var then = this.lineStatements();
    var els = null;
    if (this.acceptKw('else')) els = this.lineStatements();
    this.lineIf--;
    if (this.atKw('end') && this.atKw('if', 1)) {
      this.next();
      this.next();
    }
    var after = this.peek();
    if (after.k !== 'id' || !LINE_IF_STOP[after.lc]) this.endStatement();
    return { t: 'if', ln: ln, arms: [{ c: cond, b: then }], els: els };
  };
  PP.lineStatements = function () {
    var list = [];
    for (;;) {
      var tok = this.peek();
      if (tok.k === 'nl' && tok.v === ':') {
        this.next();
        continue;
      }
      if (tok.k === 'nl' || tok.k === 'eof' || this.isKw(tok, 'else')) return list;
      // A block's end on the same line closes that block, not the one-line If.
      if (tok.k === 'id' && LINE_IF_STOP[tok.lc]) return list;
      var start = this.p;
      var s = this.statement(false);
      if (this.p === start) throw syntaxErr(1024, tok.ln);
      if (s) list.push(s);
    }
  };
  var LINE_IF_STOP = table({ end: 1, next: 1, loop: 1, wend: 1, case: 1, elseif: 1 });
  PP.blockIf = function (ln, cond) {
    var stop = function (ps) {
      return ps.atKw('elseif') || ps.atKw('else') || (ps.atKw('end') && ps.atKw('if', 1));
    };
    var outerLine = this.lineIf;
    this.lineIf = 0;
    var arms = [{ c: cond, b: this.block(stop, 1014) }];
    var els = null;
    for (;;) {
      if (this.acceptKw('elseif')) {
        var c = this.expression();
        this.expectKw('then', 1017);
        arms.push({ c: c, b: this.block(stop, 1014) });
      } else if (this.acceptKw('else')) {
        els = this.block(function (ps) {
          return ps.atKw('end') && ps.atKw('if', 1);
        }, 1014);
      } else {
        this.next();
        this.next();
        break;
      }
    }
    this.lineIf = outerLine;
    this.endStatement();
    return { t: 'if', ln: ln, arms: arms, els: els };
  };

  PP.selectStatement = function () {
    var ln = this.next().ln;
    this.expectKw('case', 1021);
    var subject = this.expression();
    this.endStatement();
    var cases = [];
    var els = null;
    var stop = function (ps) {
      return ps.atKw('case') || (ps.atKw('end') && ps.atKw('select', 1));
    };
    for (;;) {
      var tok = this.peek();
      if (tok.k === 'nl') {
        this.next();
        continue;
      }
      if (tok.k === 'eof') throw syntaxErr(1022, tok.ln);
      if (this.atKw('end') && this.atKw('select', 1)) {
        this.next();
        this.next();
        break;
      }
      this.expectKw('case', 1021);
      if (this.acceptKw('else')) {
        els = this.block(stop, 1022);
        continue;
      }
      var tests = [];
      do {
        if (this.acceptKw('is')) {
          var op = this.next();
          if (op.k !== 'op' || ['=', '<>', '<', '>', '<=', '>='].indexOf(op.v) < 0) throw syntaxErr(1002, op.ln);
          tests.push({ k: 'is', op: op.v, e: this.concat() });
        } else {
          var lo = this.expression();
          if (this.acceptKw('to')) tests.push({ k: 'to', lo: lo, hi: this.expression() });
          else tests.push({ k: 'eq', e: lo });
        }
      } while (this.acceptOp(','));
      cases.push({ tests: tests, b: this.block(stop, 1022) });
    }
    this.endStatement();
    return { t: 'sel', ln: ln, e: subject, cases: cases, els: els };
  };

  PP.loopBody = function (kind, stop, code) {
    this.loops.push(kind);
    var body = this.block(stop, code);
    this.loops.pop();
    return body;
  };
  PP.forStatement = function () {
    var ln = this.next().ln;
    var atNext = function (ps) {
      return ps.atKw('next');
    };
    var body;
    var s;
    if (this.acceptKw('each')) {
      var ev = this.name();
      this.expectKw('in', 1046);
      var coll = this.expression();
      this.endStatement();
      body = this.loopBody('for', atNext, 1020);
      s = { t: 'foreach', ln: ln, v: { t: 'id', v: ev.v, lc: ev.lc }, e: coll, b: body };
    } else {
      var v = this.name();
      this.expectOp('=', 1011);
      var from = this.expression();
      this.expectKw('to', 1013);
      var to = this.expression();
      var step = null;
      if (this.acceptKw('step')) step = this.expression();
      this.endStatement();
      body = this.loopBody('for', atNext, 1020);
      s = { t: 'for', ln: ln, v: { t: 'id', v: v.v, lc: v.lc }, from: from, to: to, step: step, b: body };
    }
    this.next();
    if (this.peek().k === 'id' && !RESERVED[this.peek().lc]) this.next();
    this.endStatement();
    return s;
  };
  PP.doStatement = function () {
    var ln = this.next().ln;
    var pre = null;
    var cond = null;
    if (this.atKw('while') || this.atKw('until')) {
      pre = this.next().lc;
      cond = this.expression();
    }
    this.endStatement();
    var body = this.loopBody(
      'do',
      function (ps) {
        return ps.atKw('loop');
      },
      1019
    );
    this.next();
    var post = null;
    if (this.atKw('while') || this.atKw('until')) {
      if (pre) throw syntaxErr(1025, this.peek().ln);
      post = this.next().lc;
      cond = this.expression();
    }
    this.endStatement();
    return { t: 'do', ln: ln, pre: pre, post: post, c: cond, b: body };
  };
  PP.whileStatement = function () {
    var ln = this.next().ln;
    var cond = this.expression();
    this.endStatement();
    var body = this.loopBody(
      'while',
      function (ps) {
        return ps.atKw('wend');
      },
      1018
    );
    this.next();
    this.endStatement();
    return { t: 'do', ln: ln, pre: 'while', post: null, c: cond, b: body, wend: true };
  };
  PP.exitStatement = function () {
    var ln = this.next().ln;
    var w = this.next();
    var sig;
    if (this.isKw(w, 'do')) {
      if (this.loops.indexOf('do') < 0) throw syntaxErr(1039, ln);
      sig = EXIT_DO;
    } else if (this.isKw(w, 'for')) {
      if (this.loops.indexOf('for') < 0) throw syntaxErr(1039, ln);
      sig = EXIT_FOR;
    } else if (this.isKw(w, 'sub') || this.isKw(w, 'function') || this.isKw(w, 'property')) {
      var kind = this.proc ? this.proc.kind : '';
      var ok = w.lc === 'property' ? kind === 'get' || kind === 'let' || kind === 'set' : kind === w.lc;
      if (!ok) throw syntaxErr(1039, ln);
      sig = EXIT_PROC;
    } else throw syntaxErr(1039, ln);
    this.endStatement();
    return { t: 'exit', ln: ln, sig: sig };
  };
  PP.onError = function () {
    var ln = this.next().ln;
    this.expectKw('error', 1002);
    var resume;
    if (this.acceptKw('resume')) {
      this.expectKw('next', 1002);
      resume = true;
    } else if (this.acceptKw('goto')) {
      var z = this.next();
      if (z.k !== 'num' || z.v !== 0) throw syntaxErr(1002, ln);
      resume = false;
    } else throw syntaxErr(1002, ln);
    this.endStatement();
    return { t: 'onerr', ln: ln, resume: resume };
  };
  PP.withStatement = function () {
    var ln = this.next().ln;
    var e = this.expression();
    this.endStatement();
    var body = this.block(endOf('with'), 1029);
    this.next();
    this.next();
    this.endStatement();
    return { t: 'with', ln: ln, e: e, b: body };
  };
  PP.eraseStatement = function () {
    var ln = this.next().ln;
    var names = [];
    do {
      var n = this.name();
      names.push({ t: 'id', v: n.v, lc: n.lc });
    } while (this.acceptOp(','));
    this.endStatement();
    return { t: 'erase', ln: ln, names: names };
  };
  PP.callStatement = function () {
    var ln = this.next().ln;
    var path = this.path(false);
    var args = [];
    if (path.t === 'call') {
      args = path.a;
      path = path.f;
    }
    this.endStatement();
    return { t: 'call', ln: ln, c: { t: 'call', f: path, a: args } };
  };

  // Where the ')' closing the '(' at `from` is, or -1 before the line's end.
  PP.closing = function (from) {
    var depth = 0;
    for (var i = from; i < this.t.length; i++) {
      var tok = this.t[i];
      if (tok.k === 'nl' || tok.k === 'eof') return -1;
      if (tok.k !== 'op') continue;
      if (tok.v === '(') depth++;
      else if (tok.v === ')' && --depth === 0) return i;
    }
    return -1;
  };

  // A name with its members and argument lists, as a statement begins. In a statement, a '('
  // after white space starts the arguments (MsgBox (x)), unless '=' or '.' follows its ')'.
  PP.path = function (statement) {
    var tok = this.next();
    var node;
    if (tok.k === 'op' && tok.v === '.') {
      var m = this.memberName();
      node = { t: 'mem', o: null, n: m.v, lc: m.lc };
    } else if (tok.k === 'id' && tok.lc === 'me') {
      node = { t: 'me' };
    } else if (tok.k === 'id' && !RESERVED[tok.lc]) {
      node = { t: 'id', v: tok.v, lc: tok.lc };
    } else throw syntaxErr(1024, tok.ln);
    for (;;) {
      var nx = this.peek();
      if (nx.k !== 'op') break;
      if (nx.v === '.' && !(statement && nx.sp)) {
        this.next();
        var mn = this.memberName();
        node = { t: 'mem', o: node, n: mn.v, lc: mn.lc };
      } else if (nx.v === '(') {
        if (statement && nx.sp) {
          var close = this.closing(this.p);
          var after = close < 0 ? null : this.t[close + 1];
          if (!after || after.k !== 'op' || (after.v !== '=' && after.v !== '.')) break;
        }
        var at = this.p;
        this.next();
        node = { t: 'call', f: node, a: this.args(), pp: at };
      } else break;
    }
    return node;
  };
  // Arguments after '(' up to its ')'; an empty place is a missing argument.
  PP.args = function () {
    var list = [];
    if (this.acceptOp(')')) return list;
    for (;;) {
      if (this.atOp(',') || this.atOp(')')) list.push(MISSING);
      else list.push(this.expression());
      if (this.acceptOp(',')) continue;
      this.expectOp(')', 1006);
      return list;
    }
  };

  PP.callOrAssign = function (isSet) {
    var ln = this.peek().ln;
    var lhs = this.path(true);
    if (this.acceptOp('=')) {
      var rhs = this.expression();
      this.endStatement();
      if (lhs.t === 'me') throw syntaxErr(1002, ln);
      return { t: 'asg', ln: ln, set: isSet, l: lhs, r: rhs };
    }
    if (isSet) throw syntaxErr(1011, ln);
    if (this.atEnd()) {
      if (lhs.t === 'call') {
        // Foo(x) as a statement: the parentheses belong to x, which goes by value.
        var a = lhs.a.length === 1 && lhs.a[0] !== MISSING ? [{ t: 'paren', e: lhs.a[0] }] : lhs.a;
        return { t: 'call', ln: ln, c: { t: 'call', f: lhs.f, a: a } };
      }
      return { t: 'call', ln: ln, c: { t: 'call', f: lhs, a: [] } };
    }
    if (lhs.t === 'call' && lhs.pp !== undefined) {
      // Foo(a) & b, c: the parenthesised part was the first argument.
      this.p = lhs.pp;
      lhs = lhs.f;
    }
    var args = this.statementArgs();
    this.endStatement();
    return { t: 'call', ln: ln, c: { t: 'call', f: lhs, a: args } };
  };
  PP.statementArgs = function () {
    // Foo (a, b): a parenthesised list alone on the line is the argument list.
    if (this.atOp('(')) {
      var close = this.closing(this.p);
      var after = close < 0 ? null : this.t[close + 1];
      if (after && (after.k === 'nl' || after.k === 'eof' || (this.lineIf > 0 && this.isKw(after, 'else')))) {
        var save = this.p;
        this.next();
        var inner = this.args();
        if (inner.length > 1) return inner;
        this.p = save;
      }
    }
    var list = [];
    for (;;) {
      if (this.atOp(',')) list.push(MISSING);
      else list.push(this.expression());
      if (!this.acceptOp(',')) return list;
      if (this.atEnd()) {
        list.push(MISSING);
        return list;
      }
    }
  };

  // ---- expressions: operators by precedence, loosest first: Imp, Eqv, Xor, Or, And, Not,
  // comparison, &, + -, Mod, \, * /, unary minus, ^
  var BINARY = table({
    imp: 1, eqv: 2, xor: 3, or: 4, and: 5,
    '=': 7, '<>': 7, '<': 7, '>': 7, '<=': 7, '>=': 7, is: 7,
    '&': 8, '+': 9, '-': 9, mod: 10, '\\': 11, '*': 12, '/': 12, '^': 14
  });
  var NOT_OPERAND = 7;
  var MINUS_OPERAND = 14;
  PP.expression = function () {
    return this.binary(1);
  };
  var WORD_BINARY = table({ imp: 1, eqv: 2, xor: 3, or: 4, and: 5, is: 7, mod: 10 });
  PP.binaryOp = function () {
    var tok = this.t[this.p];
    if (tok.o !== null) return BINARY[tok.o] || 0;
    return tok.w !== null ? WORD_BINARY[tok.w] || 0 : 0;
  };
  PP.binary = function (min) {
    var left = this.unary(min);
    for (;;) {
      var prec = this.binaryOp();
      if (!prec || prec < min) return left;
      var tok = this.next();
      var op = tok.k === 'op' ? tok.v : tok.lc;
      var right = this.binary(prec + 1);
      if (prec === 7) left = op === 'is' ? { t: 'is', l: left, r: right } : { t: 'cmp', op: op, l: left, r: right };
      else left = { t: 'bin', op: op, l: left, r: right };
    }
  };
  PP.unary = function (min) {
    var tok = this.t[this.p];
    if (tok.k === 'id' && tok.lc === 'not') {
      this.next();
      return { t: 'un', op: 'not', e: this.binary(NOT_OPERAND) };
    }
    if (tok.k === 'op' && (tok.v === '-' || tok.v === '+')) {
      this.next();
      return { t: 'un', op: tok.v, e: this.binary(Math.max(min, MINUS_OPERAND)) };
    }
    return this.postfix();
  };
  // The comparison's right side in Case Is: what binds tighter than a comparison.
  PP.concat = function () {
    return this.binary(8);
  };
  // What a '.' may follow in an expression.
  var MEMBER_OWNER = { id: true, mem: true, call: true, me: true, paren: true };
  PP.postfix = function () {
    var node = this.primary();
    for (;;) {
      if (this.atOp('.') && MEMBER_OWNER[node.t]) {
        this.next();
        var m = this.memberName();
        node = { t: 'mem', o: node, n: m.v, lc: m.lc };
      } else if (this.atOp('(') && (node.t === 'id' || node.t === 'mem' || node.t === 'call')) {
        this.next();
        node = { t: 'call', f: node, a: this.args() };
      } else return node;
    }
  };
  PP.primary = function () {
    var tok = this.next();
    switch (tok.k) {
      case 'num':
        return { t: 'lit', v: tok.v, num: true };
      case 'str':
      case 'date':
        return { t: 'lit', v: tok.v };
      case 'op':
        if (tok.v === '(') {
          var e = this.expression();
          this.expectOp(')', 1006);
          return { t: 'paren', e: e };
        }
        if (tok.v === '.') {
          var m = this.memberName();
          return { t: 'mem', o: null, n: m.v, lc: m.lc };
        }
        throw syntaxErr(1023, tok.ln);
      case 'id':
        switch (tok.lc) {
          case 'true':
            return { t: 'lit', v: true };
          case 'false':
            return { t: 'lit', v: false };
          case 'empty':
            return { t: 'lit', v: undefined };
          case 'null':
            return { t: 'lit', v: null };
          case 'nothing':
            return { t: 'lit', v: NOTHING };
          case 'me':
            return { t: 'me' };
          case 'not':
            return { t: 'un', op: 'not', e: this.notExpr() };
          case 'new':
            var cn = this.name();
            return { t: 'new', v: cn.v, lc: cn.lc };
        }
        if (RESERVED[tok.lc]) throw syntaxErr(1023, tok.ln);
        return { t: 'id', v: tok.v, lc: tok.lc };
      default:
        throw syntaxErr(1023, tok.ln);
    }
  };

  // A numeric literal, maybe signed or in parentheses: it keeps its type in a comparison.
  function isNumLiteral(e) {
    while (e.t === 'paren' || (e.t === 'un' && (e.op === '-' || e.op === '+'))) e = e.e;
    return e.t === 'lit' && e.num === true;
  }

  function parse(src) {
    try {
      return new Parser(lex(src)).program();
    } catch (e) {
      // Nesting too deep for the engine's stack is the script's fault, not ours.
      if (e instanceof VBError) throw e;
      var ve = asVBError(e);
      ve.syntax = true;
      ve.line = 0;
      throw ve;
    }
  }

  // ---------------------------------------------------------------- evaluator

  function Cell(v, isConst) {
    this.v = v;
    this.c = isConst === true;
  }
  // A reference to one array element, for ByRef and For Each.
  function ElemRef(a, idx) {
    this.a = a;
    this.off = a.offset(idx);
  }
  Object.defineProperty(ElemRef.prototype, 'v', {
    get: function () {
      return this.a.data[this.off];
    },
    set: function (x) {
      this.a.data[this.off] = x;
    }
  });

  // One running procedure (or a block's top level): its variables, On Error state, With objects.
  function Frame(vars, proc, me, origin) {
    this.vars = vars;
    this.proc = proc;
    this.me = me;
    this.origin = origin;
    this.ret = null;
    this.onErr = false;
    this.withs = [];
  }

  // VBScript's Err object.
  function ErrObject() {
    this.Clear();
  }
  ErrObject.prototype.Clear = function () {
    this.Number = 0;
    this.Description = '';
    this.Source = '';
    this.HelpFile = '';
    this.HelpContext = 0;
  };
  ErrObject.prototype.Raise = function (number, source, description) {
    var n = toLong(number);
    var e = new VBError(n, description !== undefined ? toStr(description) : MESSAGES[n] || 'Грешка ' + n);
    if (source !== undefined) e.source = toStr(source);
    throw e;
  };
  ErrObject.prototype.fromError = function (e) {
    this.Number = e.number;
    this.Description = e.description;
    this.Source = e.source;
  };
  Object.defineProperty(ErrObject.prototype, 'number', {
    get: function () {
      return this.Number;
    }
  });

  // Stops a run that used up its step budget; On Error Resume Next does not catch it.
  function BudgetSpent() {}

  var MAX_DEPTH = 1500;

  // Hooks to the world outside the language: the page (or a test) fills them.
  function Interp(host) {
    this.host = host;
    this.globals = new Map();
    this.procs = new Map();
    this.classes = new Map();
    this.explicit = false;
    this.err = new ErrObject();
    this.depth = 0;
    this.steps = 0;
    this.maxSteps = Infinity;
    this.rndLast = 0.5;
    this.rndSeed = null;
    this.frames = [];
  }
  var IP = Interp.prototype;

  IP.step = function () {
    if (++this.steps > this.maxSteps) throw new BudgetSpent();
  };

  IP.execBlock = function (list, f) {
    for (var i = 0; i < list.length; i++) {
      var s = list[i];
      var r;
      try {
        this.step();
        r = this.exec(s, f);
      } catch (e) {
        if (e instanceof BudgetSpent) throw e;
        var ve = asVBError(e);
        if (ve.line === undefined) {
          ve.line = s.ln;
          ve.origin = f.origin;
          if (ve.unsupported) this.host.unsupportedAt(ve);
        }
        if (f.onErr) {
          this.err.fromError(ve);
          continue;
        }
        throw ve;
      }
      if (r) return r;
    }
    return 0;
  };

  IP.exec = function (s, f) {
    switch (s.t) {
      case 'asg':
        var v = this.eval(s.r, f);
        if (s.set) {
          if (!isObj(v) && v !== null) throw vbErr(424);
        } else v = copyValue(v);
        this.assign(s.l, v, f);
        return 0;
      case 'call':
        this.evalCall(s.c, f, true);
        return 0;
      case 'if':
        return this.execIf(s, f);
      case 'for':
        return this.execFor(s, f);
      case 'foreach':
        return this.execForEach(s, f);
      case 'do':
        return this.execDo(s, f);
      case 'sel':
        return this.execSelect(s, f);
      case 'exit':
        return s.sig;
      case 'dim':
        this.execDim(s, f);
        return 0;
      case 'redim':
        this.execReDim(s, f);
        return 0;
      case 'const':
        for (var i = 0; i < s.items.length; i++) {
          var it = s.items[i];
          var scope = f.vars;
          var old = scope.get(it.lc);
          if (old && old.c && old.done) continue;
          var cell = new Cell(this.eval(it.e, f), true);
          cell.done = true;
          scope.set(it.lc, cell);
          if (scope === this.globals) this.host.exportVariable(it.n, cell);
        }
        return 0;
      case 'onerr':
        f.onErr = s.resume;
        this.err.Clear();
        return 0;
      case 'with':
        f.withs.push(this.eval(s.e, f));
        try {
          return this.execBlock(s.b, f);
        } finally {
          f.withs.pop();
        }
      case 'erase':
        for (var k = 0; k < s.names.length; k++) {
          var c = this.lookupCell(s.names[k].lc, f);
          if (!c || !(c.v instanceof VArray)) throw vbErr(13, s.names[k].v);
          if (c.v.fixed) c.v.data = new Array(c.v.data.length);
          else c.v = new VArray([]);
        }
        return 0;
      case 'opt':
        this.explicit = true;
        return 0;
    }
    throw vbErr(51);
  };

  IP.condition = function (e, f) {
    var v = this.eval(e, f);
    return v === null ? false : toBool(v);
  };

  IP.execIf = function (s, f) {
    for (var i = 0; i < s.arms.length; i++) {
      var c;
      if (f.onErr) {
        // With On Error Resume Next a failing condition goes on into its branch, as VBScript did.
        try {
          c = this.condition(s.arms[i].c, f);
        } catch (e) {
          if (e instanceof BudgetSpent) throw e;
          this.err.fromError(asVBError(e));
          c = true;
        }
      } else c = this.condition(s.arms[i].c, f);
      if (c) return this.execBlock(s.arms[i].b, f);
    }
    return s.els ? this.execBlock(s.els, f) : 0;
  };

  IP.execFor = function (s, f) {
    var from = toNum(this.eval(s.from, f));
    var to = toNum(this.eval(s.to, f));
    var step = s.step ? toNum(this.eval(s.step, f)) : 1;
    var cell = this.refFor(s.v, f);
    cell.v = from;
    for (;;) {
      var v = toNum(cell.v);
      if (step >= 0 ? v > to : v < to) return 0;
      this.step();
      var r = this.execBlock(s.b, f);
      if (r === EXIT_FOR) return 0;
      if (r) return r;
      cell.v = toNum(cell.v) + step;
    }
  };

  // The elements For Each walks over, taken before the loop starts.
  IP.elements = function (c) {
    if (c instanceof VArray) return c.data.slice();
    if (c instanceof Dictionary) return c.Keys().data;
    if (c instanceof SafeArray) return c.vbArray.data.slice();
    if (!isObj(c) || c === NOTHING) throw vbErr(451);
    if (Array.isArray(c)) return c.map(fromJs);
    var out = [];
    if (typeof c.length === 'number' && (typeof c.item === 'function' || 0 in c || c.length === 0)) {
      for (var i = 0; i < c.length; i++) out.push(fromJs(c[i]));
      return out;
    }
    if (typeof Symbol !== 'undefined' && typeof c[Symbol.iterator] === 'function') {
      var it = c[Symbol.iterator]();
      for (var n = it.next(); !n.done; n = it.next()) out.push(fromJs(n.value));
      return out;
    }
    throw vbErr(451);
  };
  IP.execForEach = function (s, f) {
    var list = this.elements(this.eval(s.e, f));
    var cell = this.refFor(s.v, f);
    for (var i = 0; i < list.length; i++) {
      cell.v = list[i];
      this.step();
      var r = this.execBlock(s.b, f);
      if (r === EXIT_FOR) return 0;
      if (r) return r;
    }
    return 0;
  };

  IP.execDo = function (s, f) {
    for (;;) {
      if (s.pre && this.condition(s.c, f) !== (s.pre === 'while')) return 0;
      this.step();
      var r = this.execBlock(s.b, f);
      if (r === EXIT_DO && !s.wend) return 0;
      if (r) return r;
      if (s.post && this.condition(s.c, f) !== (s.post === 'while')) return 0;
    }
  };

  IP.execSelect = function (s, f) {
    var v = this.eval(s.e, f);
    var lit = isNumLiteral(s.e);
    for (var i = 0; i < s.cases.length; i++) {
      var tests = s.cases[i].tests;
      for (var j = 0; j < tests.length; j++) {
        var t = tests[j];
        var hit;
        if (t.k === 'eq') hit = compare(v, this.eval(t.e, f), false, lit, isNumLiteral(t.e)) === 0;
        else if (t.k === 'is') hit = compareOp(t.op, compare(v, this.eval(t.e, f), false, lit, isNumLiteral(t.e)));
        else {
          var lo = compare(v, this.eval(t.lo, f), false, lit, isNumLiteral(t.lo));
          var hi = compare(v, this.eval(t.hi, f), false, lit, isNumLiteral(t.hi));
          hit = lo !== null && hi !== null && lo >= 0 && hi <= 0;
        }
        if (hit) return this.execBlock(s.cases[i].b, f);
      }
    }
    return s.els ? this.execBlock(s.els, f) : 0;
  };
  function compareOp(op, c) {
    if (c === null) return false;
    switch (op) {
      case '=':
        return c === 0;
      case '<>':
        return c !== 0;
      case '<':
        return c < 0;
      case '>':
        return c > 0;
      case '<=':
        return c <= 0;
      default:
        return c >= 0;
    }
  }

  IP.bounds = function (dims, f) {
    var ub = [];
    for (var i = 0; i < dims.length; i++) {
      var n = toLong(this.eval(dims[i], f));
      if (n < -1) throw vbErr(9);
      ub.push(n);
    }
    return ub;
  };
  IP.execDim = function (s, f) {
    for (var i = 0; i < s.vars.length; i++) {
      var d = s.vars[i];
      var cell = f.vars.get(d.lc);
      if (!cell) {
        cell = new Cell(undefined);
        f.vars.set(d.lc, cell);
        if (f.vars === this.globals) this.host.exportVariable(d.n, cell);
      }
      if (d.dims && !(cell.v instanceof VArray)) {
        var a = new VArray(this.bounds(d.dims, f));
        a.fixed = d.dims.length > 0;
        cell.v = a;
      }
    }
  };
  IP.execReDim = function (s, f) {
    for (var i = 0; i < s.vars.length; i++) {
      var d = s.vars[i];
      var ub = this.bounds(d.dims, f);
      var cell = this.lookupCell(d.lc, f) || this.implicitCell({ v: d.n, lc: d.lc }, f);
      var old = cell.v;
      if (old instanceof VArray && old.fixed) throw vbErr(10);
      var a = new VArray(ub);
      if (s.pres && old instanceof VArray && old.ub.length) {
        if (old.ub.length !== ub.length) throw vbErr(9);
        for (var k = 0; k < ub.length - 1; k++) if (old.ub[k] !== ub[k]) throw vbErr(9);
        var keep = Math.min(old.data.length, a.data.length);
        for (var j = 0; j < keep; j++) a.data[j] = old.data[j];
      }
      cell.v = a;
    }
  };

  // ---- names

  IP.lookupCell = function (lc, f) {
    var c = f.vars.get(lc);
    if (c) return c;
    if (f.me) {
      c = f.me.vars.get(lc);
      if (c) return c;
    }
    return this.globals.get(lc) || null;
  };
  // The variable an assignment creates for a name never declared.
  IP.implicitCell = function (node, f) {
    if (this.explicit) throw vbErr(500, node.v);
    var c = new Cell(undefined);
    f.vars.set(node.lc, c);
    if (f.vars === this.globals) this.host.exportVariable(node.v, c);
    return c;
  };
  // A variable to assign a loop's counter to, made if need be.
  IP.refFor = function (node, f) {
    var c = this.lookupCell(node.lc, f);
    if (c) {
      if (c.c) throw vbErr(501);
      return c;
    }
    return this.implicitCell(node, f);
  };

  IP.getName = function (e, f) {
    var lc = e.lc;
    var c = f.vars.get(lc);
    if (c) return c.v;
    if (f.me) {
      var m = f.me.member(lc);
      if (m) return m.cell ? m.cell.v : this.invokeMember(f.me, m, [], f);
    }
    c = this.globals.get(lc);
    if (c) return c.v;
    var p = this.procs.get(lc);
    if (p) return this.invoke(p, [], null);
    var b = BUILTIN[lc];
    if (b) return b.fn ? this.builtin(b, e.v, []) : b.v;
    var h = this.host.lookup(e.v, lc);
    if (h) {
      var v = h.o[h.k];
      if (isMethod(v, lc)) return fromJs(this.hostCall(v, h.o, [], lc));
      return fromJs(v);
    }
    if (this.explicit) throw vbErr(500, e.v);
    return undefined;
  };

  IP.builtin = function (b, name, args) {
    if (args.length < b.min || args.length > b.max) throw vbErr(450, name);
    return b.fn.call(this, args);
  };

  // ---- expressions

  IP.eval = function (e, f) {
    switch (e.t) {
      case 'lit':
        return e.v;
      case 'id':
        return this.getName(e, f);
      case 'paren':
        return this.eval(e.e, f);
      case 'call':
        return this.evalCall(e, f, false);
      case 'mem':
        return this.getMember(this.target(e, f), e.n, e.lc);
      case 'bin':
        return binary(e.op, this.eval(e.l, f), this.eval(e.r, f));
      case 'cmp':
        var c = compare(this.eval(e.l, f), this.eval(e.r, f), false, isNumLiteral(e.l), isNumLiteral(e.r));
        return c === null ? null : compareOp(e.op, c);
      case 'is':
        return sameObject(this.eval(e.l, f), this.eval(e.r, f));
      case 'un':
        return unary(e.op, this.eval(e.e, f));
      case 'me':
        if (f.me) return f.me;
        if (f.self) return f.self;
        throw vbErr(424, 'Me');
      case 'new':
        return this.construct(e);
      case 'miss':
        return undefined;
    }
    throw vbErr(51);
  };

  // The object before a '.': the expression, or the innermost With.
  IP.target = function (e, f) {
    if (e.o) return this.eval(e.o, f);
    if (!f.withs.length) throw vbErr(424);
    return f.withs[f.withs.length - 1];
  };

  IP.evalArgs = function (nodes, f) {
    var out = new Array(nodes.length);
    for (var i = 0; i < nodes.length; i++) out[i] = nodes[i].t === 'miss' ? undefined : this.eval(nodes[i], f);
    return out;
  };

  IP.evalCall = function (e, f, statement) {
    var callee = e.f;
    if (callee.t === 'id') {
      var lc = callee.lc;
      var c = f.vars.get(lc);
      if (c) {
        if (f.ret === c && e.a.length) return this.callProc(f.proc, e.a, f, f.me);
        return this.applyValue(c.v, this.evalArgs(e.a, f), callee.v);
      }
      if (f.me) {
        var m = f.me.member(lc);
        if (m) {
          if (m.cell) return this.applyValue(m.cell.v, this.evalArgs(e.a, f), callee.v);
          return this.callMethod(f.me, m, e.a, f);
        }
      }
      c = this.globals.get(lc);
      if (c) return this.applyValue(c.v, this.evalArgs(e.a, f), callee.v);
      var p = this.procs.get(lc);
      if (p) return this.callProc(p, e.a, f, null);
      var b = BUILTIN[lc];
      if (b) {
        if (!b.fn) {
          if (e.a.length) throw vbErr(13, callee.v);
          return b.v;
        }
        return this.builtin(b, callee.v, this.evalArgs(e.a, f));
      }
      var h = this.host.lookup(callee.v, lc);
      if (h) {
        var hv = h.o[h.k];
        if (typeof hv === 'function') return fromJs(this.hostCall(hv, h.o, this.evalArgs(e.a, f), lc));
        return this.applyValue(fromJs(hv), this.evalArgs(e.a, f), callee.v);
      }
      if (statement && !e.a.length && !this.explicit) return undefined;
      throw this.host.unknownName(callee.v, vbErr(this.explicit && !e.a.length ? 500 : 13, callee.v));
    }
    if (callee.t === 'mem') {
      var obj = this.target(callee, f);
      if (obj instanceof VBClassObject) {
        var cm = obj.publicMember(callee.lc);
        if (!cm) throw vbErr(438, callee.v || callee.n);
        if (cm.cell) return this.applyValue(cm.cell.v, this.evalArgs(e.a, f), callee.n);
        return this.callMethod(obj, cm, e.a, f);
      }
      return this.callMember(obj, callee.n, callee.lc, this.evalArgs(e.a, f));
    }
    return this.applyValue(this.eval(callee, f), this.evalArgs(e.a, f), '');
  };

  // x(args) where x holds a value: an array's element, a collection's item, a function's call.
  IP.applyValue = function (v, args, name) {
    if (!args.length) return v;
    if (v instanceof VArray) return v.get(args);
    if (v instanceof VBClassObject) {
      var d = v.cls.defaultMember;
      if (!d) throw vbErr(438, name);
      return this.invokeMember(v, d, args.map(function (a) {
        return new Cell(a);
      }));
    }
    if (typeof v === 'function') return fromJs(this.hostCall(v, null, args, ''));
    if (isObj(v) && v !== NOTHING) return defaultItem(v, args);
    throw vbErr(13, name);
  };

  // obj(key) on an object of the page: a collection's item by number or by name.
  function defaultItem(obj, args) {
    if (obj instanceof Dictionary) return obj.Item(args[0]);
    if (obj instanceof SafeArray) return obj.vbArray.get(args);
    var key = toJs(args[0]);
    if (typeof key === 'string' && typeof obj.namedItem === 'function' && parseNumber(key) === null) {
      var named = obj.namedItem(key);
      if (named !== null && named !== undefined) return fromJs(named);
    }
    if (typeof obj.item === 'function') return fromJs(obj.item.apply(obj, args.map(toJs)));
    if (args.length === 1 && key !== undefined && key !== null && key in Object(obj)) return fromJs(obj[key]);
    throw vbErr(438);
  }

  IP.getMember = function (obj, name, lc) {
    if (obj instanceof VBClassObject) {
      var m = obj.publicMember(lc);
      if (!m) throw vbErr(438, name);
      return m.cell ? m.cell.v : this.invokeMember(obj, m, []);
    }
    checkObject(obj, name);
    var real = findMember(obj, name, lc);
    if (real === null) {
      var child = namedChild(obj, name);
      if (child !== undefined) return child;
      throw vbErr(438, name);
    }
    var v = obj[real];
    if (isMethod(v, lc)) return fromJs(this.hostCall(v, obj, [], lc));
    return fromJs(v);
  };

  IP.callMember = function (obj, name, lc, args) {
    checkObject(obj, name);
    var real = findMember(obj, name, lc);
    if (real === null) {
      var child = namedChild(obj, name);
      if (child !== undefined) return this.applyValue(child, args, name);
      throw vbErr(438, name);
    }
    var v = obj[real];
    if (typeof v === 'function') return fromJs(this.hostCall(v, obj, args, lc));
    return this.applyValue(fromJs(v), args, name);
  };

  IP.hostCall = function (fn, self, args, lc) {
    var special = this.host.special(fn, self, args, lc, this);
    if (special !== undefined) return special.value;
    var jsArgs = new Array(args.length);
    for (var i = 0; i < args.length; i++) jsArgs[i] = toJs(args[i]);
    return fn.apply(self, jsArgs);
  };

  function checkObject(obj, name) {
    if (obj === NOTHING) throw vbErr(91, name);
    if (!isObj(obj) || obj instanceof VArray || obj instanceof VDate) throw vbErr(424, name);
  }

  // A member that is a function runs when named without arguments (document.close, Now), unless
  // it holds a handler (onclick) or is a collection one may also call (IE's document.all).
  function isMethod(v, lc) {
    return typeof v === 'function' && !isHandlerName(lc) && typeof v.item !== 'function';
  }

  function isHandlerName(lc) {
    return lc.charCodeAt(0) === 111 && lc.charCodeAt(1) === 110 && lc.length > 2;
  }

  function sameObject(a, b) {
    var na = a === null || a === NOTHING;
    var nb = b === null || b === NOTHING;
    if ((!isObj(a) && !na) || (!isObj(b) && !nb)) throw vbErr(424);
    if (na || nb) return na && nb;
    return a === b;
  }

  // ---- assignment

  IP.assign = function (l, v, f) {
    if (l.t === 'id') return this.assignName(l, v, f);
    if (l.t === 'mem') {
      var obj = this.target(l, f);
      if (obj instanceof VBClassObject) return this.setClassMember(obj, l.n, l.lc, [], v);
      return setMember(obj, l.n, l.lc, v);
    }
    if (l.t === 'call') return this.assignIndexed(l, v, f);
    throw vbErr(501);
  };

  IP.assignName = function (e, v, f) {
    var lc = e.lc;
    var c = f.vars.get(lc);
    if (!c && f.me) {
      var m = f.me.member(lc);
      if (m) {
        if (m.cell) c = m.cell;
        else return this.setClassMember(f.me, e.v, lc, [], v, true);
      }
    }
    if (!c) c = this.globals.get(lc);
    if (c) {
      if (c.c) throw vbErr(501, e.v);
      c.v = v;
      return;
    }
    if (this.procs.has(lc) || (BUILTIN[lc] && !BUILTIN[lc].fn)) throw vbErr(501, e.v);
    if (this.host.assign(e.v, lc, v)) return;
    this.implicitCell(e, f).v = v;
  };

  IP.assignIndexed = function (l, v, f) {
    var callee = l.f;
    var args = this.evalArgs(l.a, f);
    var target;
    if (callee.t === 'id') {
      var c = this.lookupCell(callee.lc, f);
      if (c) target = c.v;
      else if (f.me && f.me.member(callee.lc)) return this.setClassMember(f.me, callee.v, callee.lc, args, v, true);
      else {
        var h = this.host.lookup(callee.v, callee.lc);
        if (!h) throw vbErr(13, callee.v);
        target = fromJs(h.o[h.k]);
      }
    } else if (callee.t === 'mem') {
      var obj = this.target(callee, f);
      if (obj instanceof VBClassObject) return this.setClassMember(obj, callee.n, callee.lc, args, v);
      if (obj instanceof Dictionary && callee.lc === 'item') return obj.setItem(args[0], v);
      if (obj instanceof Dictionary && callee.lc === 'key') return obj.setKey(args[0], v);
      checkObject(obj, callee.n);
      var real = findMember(obj, callee.n, callee.lc);
      if (real === null) throw vbErr(438, callee.n);
      target = fromJs(obj[real]);
    } else target = this.eval(callee, f);
    if (target instanceof VArray) return target.set(args, v);
    if (target instanceof Dictionary) return target.setItem(args[0], v);
    if (target instanceof VBClassObject) {
      var d = target.cls.defaultMember;
      if (!d) throw vbErr(438);
      return this.setClassMember(target, d.n, d.lc, args, v);
    }
    if (isObj(target) && target !== NOTHING && args.length === 1) {
      target[toJs(args[0])] = toJs(v);
      return;
    }
    throw vbErr(13);
  };

  function setMember(obj, name, lc, v) {
    if (obj instanceof ErrObject) {
      var en = findMember(obj, name, lc);
      if (en === null) throw vbErr(438, name);
      obj[en] = v;
      return;
    }
    checkObject(obj, name);
    var real = findMember(obj, name, lc);
    obj[real === null ? name : real] = toJs(v);
  }

  // ---- procedures

  // A call from VBScript: ByRef arguments that are variables or array elements go by reference.
  IP.callProc = function (p, argNodes, f, me) {
    if (argNodes.length !== p.params.length) throw vbErr(450, p.n);
    var cells = new Array(argNodes.length);
    for (var i = 0; i < argNodes.length; i++) {
      var node = argNodes[i];
      var ref = p.params[i].byval ? null : this.refOf(node, f);
      cells[i] = ref || new Cell(node.t === 'miss' ? undefined : copyValue(this.eval(node, f)));
    }
    return this.invoke(p, cells, me);
  };
  IP.refOf = function (node, f) {
    if (node.t === 'id') {
      var c = this.lookupCell(node.lc, f);
      return c && !c.c ? c : null;
    }
    if (node.t === 'call' && node.f.t === 'id') {
      var base = this.lookupCell(node.f.lc, f);
      if (base && base.v instanceof VArray && node.a.length) return new ElemRef(base.v, this.evalArgs(node.a, f));
    }
    return null;
  };
  // Runs procedure p with its parameters bound to `cells` (values are wrapped by the caller).
  IP.invoke = function (p, cells, me) {
    if (this.depth >= MAX_DEPTH) throw vbErr(28);
    var vars = new Map();
    var i;
    for (i = 0; i < p.params.length; i++) vars.set(p.params[i].lc, cells[i] || new Cell(undefined));
    for (i = 0; i < p.decls.length; i++) if (!vars.has(p.decls[i].lc)) vars.set(p.decls[i].lc, new Cell(undefined));
    var fr = new Frame(vars, p, me, p.origin);
    if (p.kind === 'function' || p.kind === 'get') {
      fr.ret = new Cell(undefined);
      vars.set(p.lc, fr.ret);
    }
    this.depth++;
    this.frames.push(fr);
    try {
      this.execBlock(p.body, fr);
    } finally {
      this.depth--;
      this.frames.pop();
    }
    return fr.ret ? fr.ret.v : undefined;
  };

  // Calls a VBScript procedure with plain values (from JavaScript, an event, a timer).
  IP.callWithValues = function (p, values, me) {
    var cells = [];
    for (var i = 0; i < p.params.length; i++)
      cells.push(new Cell(i < values.length ? copyValue(values[i]) : undefined));
    return this.invoke(p, cells, me);
  };

  // ---- operators

  function binary(op, a, b) {
    switch (op) {
      case '&':
        if (a === null && b === null) return null;
        return capped((a === null ? '' : toStr(a)) + (b === null ? '' : toStr(b)));
      case '+':
        return add(a, b);
      case '-':
        if (a === null || b === null) return null;
        if (a instanceof VDate && b instanceof VDate) return checked(a.serial - b.serial);
        if (a instanceof VDate) return new VDate(checked(a.serial - toNum(b)));
        return checked(toNum(a) - toNum(b));
      case '*':
        if (a === null || b === null) return null;
        return checked(toNum(a) * toNum(b));
      case '/':
        if (a === null || b === null) return null;
        var d = toNum(b);
        if (d === 0) throw vbErr(11);
        return checked(toNum(a) / d);
      case '\\':
        if (a === null || b === null) return null;
        var q = toLong(b);
        if (q === 0) throw vbErr(11);
        return Math.trunc(toLong(a) / q);
      case 'mod':
        if (a === null || b === null) return null;
        var m = toLong(b);
        if (m === 0) throw vbErr(11);
        var r = toLong(a) % m;
        return r === 0 ? 0 : r;
      case '^':
        if (a === null || b === null) return null;
        var base = toNum(a);
        var ex = toNum(b);
        if (base < 0 && ex !== Math.floor(ex)) throw vbErr(5);
        return checked(Math.pow(base, ex));
      default:
        return logical(op, a, b);
    }
  }
  function add(a, b) {
    if (a === null || b === null) return null;
    var ta = typeof a;
    var tb = typeof b;
    if (ta === 'number' && tb === 'number') return checked(a + b);
    if (ta === 'string' && tb === 'string') return capped(a + b);
    if (isObj(a) && !(a instanceof VDate)) return add(defaultValue(a), b);
    if (isObj(b) && !(b instanceof VDate)) return add(a, defaultValue(b));
    if (ta === 'string' && b === undefined) return a;
    if (tb === 'string' && a === undefined) return b;
    if (a instanceof VDate || b instanceof VDate) return new VDate(checked(toNum(a) + toNum(b)));
    return checked(toNum(a) + toNum(b));
  }
  function logical(op, a, b) {
    if (a === null || b === null) {
      // Null in logic: what is decided by the other side alone stays decided.
      var other = a === null ? b : a;
      if (a === null && b === null) return null;
      var ob = other === undefined ? false : toBool(other);
      if (op === 'and' && !ob) return typeof other === 'boolean' ? false : 0;
      if (op === 'or' && ob && typeof other === 'boolean') return true;
      if (op === 'imp' && a === null && ob) return true;
      return null;
    }
    if (typeof a === 'boolean' && typeof b === 'boolean') {
      switch (op) {
        case 'and':
          return a && b;
        case 'or':
          return a || b;
        case 'xor':
          return a !== b;
        case 'eqv':
          return a === b;
        default:
          return !a || b;
      }
    }
    var x = toLong(a);
    var y = toLong(b);
    switch (op) {
      case 'and':
        return x & y;
      case 'or':
        return x | y;
      case 'xor':
        return x ^ y;
      case 'eqv':
        return ~(x ^ y);
      default:
        return ~x | y;
    }
  }
  function unary(op, v) {
    if (v === null) return null;
    if (op === 'not') return typeof v === 'boolean' ? !v : ~toLong(v);
    if (op === '-') {
      if (v instanceof VDate) return new VDate(-v.serial);
      var n = toNum(v);
      return n === 0 ? 0 : -n;
    }
    return v === undefined ? 0 : v;
  }

  // ---------------------------------------------------------------- classes

  function VBClass(def, origin) {
    this.n = def.n;
    this.lc = def.lc;
    this.fields = def.fields;
    this.members = new Map();
    this.defaultMember = null;
    for (var i = 0; i < def.procs.length; i++) {
      var p = def.procs[i];
      p.origin = origin;
      var m = this.members.get(p.lc);
      if (p.kind === 'sub' || p.kind === 'function') m = { n: p.n, lc: p.lc, proc: p, isPublic: p.isPublic };
      else {
        if (!m || !m.prop) m = { n: p.n, lc: p.lc, prop: true, isPublic: p.isPublic };
        m[p.kind] = p;
        m.isPublic = m.isPublic || p.isPublic;
      }
      this.members.set(p.lc, m);
      if (p.isDefault) this.defaultMember = m;
    }
  }
  function VBClassObject(cls) {
    this.cls = cls;
    this.vars = new Map();
    for (var i = 0; i < cls.fields.length; i++) {
      var fd = cls.fields[i];
      this.vars.set(fd.lc, new Cell(fd.dims ? new VArray([]) : undefined));
    }
  }
  VBClassObject.prototype.member = function (lc) {
    var c = this.vars.get(lc);
    if (c) return { cell: c };
    return this.cls.members.get(lc) || null;
  };
  VBClassObject.prototype.publicMember = function (lc) {
    for (var i = 0; i < this.cls.fields.length; i++) {
      var fd = this.cls.fields[i];
      if (fd.lc === lc) return fd.isPublic ? { cell: this.vars.get(lc) } : null;
    }
    var m = this.cls.members.get(lc);
    return m && m.isPublic ? m : null;
  };
  VBClassObject.prototype.defaultGet = function () {
    var d = this.cls.defaultMember;
    if (!d || !currentInterp) throw vbErr(438);
    return currentInterp.invokeMember(this, d, []);
  };
  VBClassObject.prototype.toString = function () {
    return '[' + this.cls.n + ']';
  };
  var currentInterp = null;

  IP.invokeMember = function (obj, m, cells) {
    if (m.cell) return this.applyValue(m.cell.v, cells.map(function (c) {
      return c.v;
    }), '');
    if (m.proc) return this.invoke(m.proc, cells, obj);
    if (!m.get) throw vbErr(450, m.n);
    return this.invoke(m.get, cells, obj);
  };
  IP.callMethod = function (obj, m, argNodes, f) {
    if (m.proc) return this.callProc(m.proc, argNodes, f, obj);
    if (!m.get) throw vbErr(450, m.n);
    return this.callProc(m.get, argNodes, f, obj);
  };
  IP.setClassMember = function (obj, name, lc, args, v, inside) {
    var m = inside ? obj.member(lc) : obj.publicMember(lc);
    if (!m) throw vbErr(438, name);
    if (m.cell) {
      if (args.length) {
        if (!(m.cell.v instanceof VArray)) throw vbErr(13, name);
        m.cell.v.set(args, v);
      } else m.cell.v = v;
      return;
    }
    var setter = isObj(v) && m.set ? m.set : m.let || m.set;
    if (!m.prop || !setter) throw vbErr(450, name);
    var cells = args.map(function (a) {
      return new Cell(a);
    });
    cells.push(new Cell(v));
    if (cells.length !== setter.params.length) throw vbErr(450, name);
    this.invoke(setter, cells, obj);
  };
  IP.construct = function (e) {
    var cls = this.classes.get(e.lc);
    if (!cls) {
      if (e.lc === 'regexp') throw this.host.unsupported('New RegExp', vbErr(429, e.v));
      throw vbErr(506, e.v);
    }
    var obj = new VBClassObject(cls);
    var init = cls.members.get('class_initialize');
    if (init && init.proc) this.invoke(init.proc, [], obj);
    return obj;
  };
  MESSAGES[506] = 'Класът не е дефиниран';

  // ---------------------------------------------------------------- Scripting.Dictionary

  function Dictionary() {
    this.map = new Map();
    this.CompareMode = 0;
  }
  Dictionary.prototype.keyOf = function (k) {
    if (k instanceof VArray) throw vbErr(13);
    if (typeof k === 'string') return 's' + (this.CompareMode === 1 ? k.toLowerCase() : k);
    if (typeof k === 'number' || typeof k === 'boolean') return 'n' + toNum(k);
    if (k instanceof VDate) return 'n' + k.serial;
    if (k === undefined) return 'e';
    return k;
  };
  Dictionary.prototype.Add = function (k, v) {
    var key = this.keyOf(k);
    if (this.map.has(key)) throw vbErr(457);
    this.map.set(key, { k: k, v: v });
  };
  Dictionary.prototype.Exists = function (k) {
    return this.map.has(this.keyOf(k));
  };
  Dictionary.prototype.Item = function (k) {
    var key = this.keyOf(k);
    var e = this.map.get(key);
    if (!e) {
      e = { k: k, v: undefined };
      this.map.set(key, e);
    }
    return e.v;
  };
  Dictionary.prototype.setItem = function (k, v) {
    var key = this.keyOf(k);
    var e = this.map.get(key);
    if (e) e.v = v;
    else this.map.set(key, { k: k, v: v });
  };
  Dictionary.prototype.setKey = function (k, nk) {
    var key = this.keyOf(k);
    var e = this.map.get(key);
    if (!e) throw vbErr(32811);
    this.map.delete(key);
    this.map.set(this.keyOf(nk), { k: nk, v: e.v });
  };
  Dictionary.prototype.Remove = function (k) {
    if (!this.map.delete(this.keyOf(k))) throw vbErr(32811);
  };
  Dictionary.prototype.RemoveAll = function () {
    this.map.clear();
  };
  Dictionary.prototype.Keys = function () {
    var out = [];
    this.map.forEach(function (e) {
      out.push(e.k);
    });
    return arrayOf(out);
  };
  Dictionary.prototype.Items = function () {
    var out = [];
    this.map.forEach(function (e) {
      out.push(e.v);
    });
    return arrayOf(out);
  };
  Object.defineProperty(Dictionary.prototype, 'Count', {
    get: function () {
      return this.map.size;
    }
  });
  MESSAGES[32811] = 'Елементът не може да бъде намерен';

  // ---------------------------------------------------------------- values across the border

  // A value as JavaScript gets it from VBScript.
  function toJs(v) {
    if (v === NOTHING) return null;
    if (v instanceof VDate) return toJsDate(v);
    if (v instanceof VArray) return new SafeArray(v.copy());
    return v;
  }
  // A value as VBScript gets it from JavaScript.
  function fromJs(v) {
    if (v instanceof Date) return fromJsDate(v);
    if (v instanceof SafeArray) return v.vbArray;
    return v;
  }

  // The real name of `name` on obj, matched without regard to letter case, or null. What a
  // prototype holds is listed once; an object's own names are looked through when needed.
  var protoNames = new WeakMap();
  var ownAliases = new WeakMap();
  function namesOf(o) {
    var m = new Map();
    var list;
    try {
      list = Object.getOwnPropertyNames(o);
    } catch (e) {
      return m;
    }
    for (var i = 0; i < list.length; i++) {
      var k = list[i].toLowerCase();
      if (!m.has(k)) m.set(k, list[i]);
    }
    return m;
  }
  function findMember(obj, name, lc) {
    var o = Object(obj);
    try {
      if (name in o) return name === lc || !isInterface(o[name]) || !(lc in o) ? name : lc;
    } catch (e) {
      return null;
    }
    var alias = ownAliases.get(o);
    if (alias) {
      var known = alias.get(lc);
      if (known !== undefined && known in o) return known;
    }
    var found = namesOf(o).get(lc);
    var p = Object.getPrototypeOf(o);
    while (found === undefined && p) {
      var m = protoNames.get(p);
      if (!m) {
        m = namesOf(p);
        protoNames.set(p, m);
      }
      found = m.get(lc);
      p = Object.getPrototypeOf(p);
    }
    if (found === undefined) return null;
    if (!alias) {
      alias = new Map();
      ownAliases.set(o, alias);
    }
    alias.set(lc, found);
    return found;
  }

  // Document, Window, Event, Screen... are today's interface objects; a VBScript page that
  // writes Document.Write means the document.
  function isInterface(v) {
    if (typeof v !== 'function' || !v.prototype) return false;
    try {
      return Function.prototype.toString.call(v).indexOf('[native code]') > 0;
    } catch (e) {
      return false;
    }
  }

  // A form's or document's element by name or id in any letter case, as IE found them.
  function namedChild(obj, name) {
    if (typeof Element === 'undefined' || typeof CSS === 'undefined') return undefined;
    var scope = null;
    if (obj instanceof HTMLFormElement || obj instanceof Document) scope = obj;
    if (!scope) return undefined;
    var q = CSS.escape(name);
    var el = scope.querySelector('[name="' + q + '" i], [id="' + q + '" i]');
    return el || undefined;
  }

  // ---------------------------------------------------------------- built-in functions

  var BUILTIN = Object.create(null);
  function def(name, min, max, fn) {
    BUILTIN[name.toLowerCase()] = { fn: fn, min: min, max: max, n: name };
  }
  function constant(name, v) {
    BUILTIN[name.toLowerCase()] = { v: v };
  }

  var CONSTANTS = {
    vbCr: '\r', vbLf: '\n', vbCrLf: '\r\n', vbNewLine: '\r\n', vbTab: '\t', vbNullChar: '\0',
    vbNullString: '', vbFormFeed: '\f', vbVerticalTab: '\v', vbBack: '\b',
    vbTrue: -1, vbFalse: 0, vbUseDefault: -2, vbBinaryCompare: 0, vbTextCompare: 1, vbDatabaseCompare: 2,
    vbOKOnly: 0, vbOKCancel: 1, vbAbortRetryIgnore: 2, vbYesNoCancel: 3, vbYesNo: 4, vbRetryCancel: 5,
    vbCritical: 16, vbQuestion: 32, vbExclamation: 48, vbInformation: 64, vbDefaultButton1: 0,
    vbDefaultButton2: 256, vbDefaultButton3: 512, vbDefaultButton4: 768, vbApplicationModal: 0,
    vbSystemModal: 4096, vbMsgBoxHelpButton: 16384, vbMsgBoxSetForeground: 65536, vbMsgBoxRight: 524288,
    vbMsgBoxRtlReading: 1048576, vbOK: 1, vbCancel: 2, vbAbort: 3, vbRetry: 4, vbIgnore: 5, vbYes: 6, vbNo: 7,
    vbSunday: 1, vbMonday: 2, vbTuesday: 3, vbWednesday: 4, vbThursday: 5, vbFriday: 6, vbSaturday: 7,
    vbUseSystemDayOfWeek: 0, vbUseSystem: 0, vbFirstJan1: 1, vbFirstFourDays: 2, vbFirstFullWeek: 3,
    vbGeneralDate: 0, vbLongDate: 1, vbShortDate: 2, vbLongTime: 3, vbShortTime: 4,
    vbEmpty: 0, vbNull: 1, vbInteger: 2, vbLong: 3, vbSingle: 4, vbDouble: 5, vbCurrency: 6, vbDate: 7,
    vbString: 8, vbObject: 9, vbError: 10, vbBoolean: 11, vbVariant: 12, vbDataObject: 13, vbDecimal: 14,
    vbByte: 17, vbArray: 8192, vbBlack: 0, vbRed: 255, vbGreen: 65280, vbYellow: 65535, vbBlue: 16711680,
    vbMagenta: 16711935, vbCyan: 16776960, vbWhite: 16777215, vbObjectError: -2147221504
  };
  Object.keys(CONSTANTS).forEach(function (k) {
    constant(k, CONSTANTS[k]);
  });

  function str(v) {
    return v === undefined ? '' : toStr(v);
  }
  function textMode(v) {
    return v !== undefined && toLong(v) === 1;
  }
  function indexIn(hay, needle, from, text) {
    if (text) {
      hay = hay.toLowerCase();
      needle = needle.toLowerCase();
    }
    return hay.indexOf(needle, from);
  }

  def('Len', 1, 1, function (a) {
    if (a[0] === null) return null;
    return str(a[0]).length;
  });
  def('LenB', 1, 1, function (a) {
    return a[0] === null ? null : str(a[0]).length * 2;
  });
  def('Mid', 2, 3, function (a) {
    if (a[0] === null) return null;
    var start = toLong(a[1]);
    if (start < 1) throw vbErr(5, 'Mid');
    var s = str(a[0]);
    if (a[2] === undefined) return s.substr(start - 1);
    var n = toLong(a[2]);
    if (n < 0) throw vbErr(5, 'Mid');
    return s.substr(start - 1, n);
  });
  def('Left', 2, 2, function (a) {
    if (a[0] === null) return null;
    var n = toLong(a[1]);
    if (n < 0) throw vbErr(5, 'Left');
    return str(a[0]).slice(0, n);
  });
  def('Right', 2, 2, function (a) {
    if (a[0] === null) return null;
    var n = toLong(a[1]);
    if (n < 0) throw vbErr(5, 'Right');
    var s = str(a[0]);
    return n >= s.length ? s : s.slice(s.length - n);
  });
  def('InStr', 2, 4, function (a) {
    var start = 1;
    var args = a;
    if (a.length >= 3) {
      if (a[0] === null) throw vbErr(94);
      start = toLong(a[0]);
      args = a.slice(1);
      if (start < 1) throw vbErr(5, 'InStr');
    }
    if (args[0] === null || args[1] === null) return null;
    var hay = str(args[0]);
    var needle = str(args[1]);
    if (start > hay.length) return 0;
    if (!needle.length) return start;
    return indexIn(hay, needle, start - 1, textMode(args[2])) + 1;
  });
  def('InStrRev', 2, 4, function (a) {
    if (a[0] === null || a[1] === null) return null;
    var hay = str(a[0]);
    var needle = str(a[1]);
    var start = a[2] === undefined ? -1 : toLong(a[2]);
    if (start === 0 || start < -1) throw vbErr(5, 'InStrRev');
    if (start === -1) start = hay.length;
    if (start > hay.length) return 0;
    if (!needle.length) return start;
    var h = hay;
    var n = needle;
    if (textMode(a[3])) {
      h = h.toLowerCase();
      n = n.toLowerCase();
    }
    var from = start - n.length;
    if (from < 0) return 0;
    return h.lastIndexOf(n, from) + 1;
  });
  def('UCase', 1, 1, function (a) {
    return a[0] === null ? null : str(a[0]).toUpperCase();
  });
  def('LCase', 1, 1, function (a) {
    return a[0] === null ? null : str(a[0]).toLowerCase();
  });
  def('Trim', 1, 1, function (a) {
    return a[0] === null ? null : str(a[0]).replace(/^ +| +$/g, '');
  });
  def('LTrim', 1, 1, function (a) {
    return a[0] === null ? null : str(a[0]).replace(/^ +/, '');
  });
  def('RTrim', 1, 1, function (a) {
    return a[0] === null ? null : str(a[0]).replace(/ +$/, '');
  });
  def('Replace', 3, 6, function (a) {
    if (a[0] === null) return null;
    if (a[1] === null || a[2] === null) throw vbErr(94);
    var s = str(a[0]);
    var find = str(a[1]);
    var repl = str(a[2]);
    var start = a[3] === undefined ? 1 : toLong(a[3]);
    var count = a[4] === undefined ? -1 : toLong(a[4]);
    if (start < 1 || count < -1) throw vbErr(5, 'Replace');
    s = s.slice(start - 1);
    if (!find.length || count === 0) return s;
    var text = textMode(a[5]);
    var out = '';
    var pos = 0;
    var done = 0;
    for (;;) {
      var at = indexIn(s, find, pos, text);
      if (at < 0 || (count >= 0 && done >= count)) break;
      out += s.slice(pos, at) + repl;
      pos = at + find.length;
      done++;
    }
    return capped(out + s.slice(pos));
  });
  def('Split', 1, 4, function (a) {
    if (a[0] === null) throw vbErr(94);
    var s = str(a[0]);
    var delim = a[1] === undefined ? ' ' : str(a[1]);
    var count = a[2] === undefined ? -1 : toLong(a[2]);
    if (!s.length || count === 0) return new VArray([-1], []);
    if (!delim.length) return arrayOf([s]);
    var text = textMode(a[3]);
    var out = [];
    var pos = 0;
    for (;;) {
      if (count > 0 && out.length === count - 1) break;
      var at = indexIn(s, delim, pos, text);
      if (at < 0) break;
      out.push(s.slice(pos, at));
      pos = at + delim.length;
    }
    out.push(s.slice(pos));
    return arrayOf(out);
  });
  def('Join', 1, 2, function (a) {
    var list = asList(a[0]);
    var delim = a[1] === undefined ? ' ' : str(a[1]);
    return capped(list.map(str).join(delim));
  });
  def('Filter', 2, 4, function (a) {
    var list = asList(a[0]);
    var what = str(a[1]);
    var keep = a[2] === undefined ? true : toBool(a[2]);
    var text = textMode(a[3]);
    return arrayOf(
      list.map(str).filter(function (s) {
        return indexIn(s, what, 0, text) >= 0 === keep;
      })
    );
  });
  def('Space', 1, 1, function (a) {
    var n = toLong(a[0]);
    if (n < 0) throw vbErr(5, 'Space');
    if (n > MAX_CHARS) throw vbErr(7);
    return new Array(n + 1).join(' ');
  });
  def('String', 2, 2, function (a) {
    if (a[0] === null || a[1] === null) return null;
    var n = toLong(a[0]);
    if (n < 0) throw vbErr(5, 'String');
    var c = typeof a[1] === 'string' ? a[1].charAt(0) : chrAnsi(toLong(a[1]) & 255);
    if (typeof a[1] === 'string' && !a[1].length) throw vbErr(5, 'String');
    if (n > MAX_CHARS) throw vbErr(7);
    return new Array(n + 1).join(c);
  });
  def('StrReverse', 1, 1, function (a) {
    if (a[0] === null) throw vbErr(94);
    return str(a[0]).split('').reverse().join('');
  });
  def('StrComp', 2, 3, function (a) {
    if (a[0] === null || a[1] === null) return null;
    return cmpStr(str(a[0]), str(a[1]), textMode(a[2]));
  });
  function radixText(a, radix) {
    if (a[0] === null) return null;
    var n = toLong(a[0]);
    if (n < 0) n += n >= -32768 ? 0x10000 : 0x100000000;
    return n.toString(radix).toUpperCase();
  }
  def('Hex', 1, 1, function (a) {
    return radixText(a, 16);
  });
  def('Oct', 1, 1, function (a) {
    return radixText(a, 8);
  });
  def('Chr', 1, 1, function (a) {
    var n = toLong(a[0]);
    if (n < 0 || n > 255) throw vbErr(5, 'Chr');
    return chrAnsi(n);
  });
  def('ChrW', 1, 1, function (a) {
    var n = toLong(a[0]);
    if (n < -32768 || n > 65535) throw vbErr(5, 'ChrW');
    return String.fromCharCode(n & 0xffff);
  });
  def('Asc', 1, 1, function (a) {
    var s = str(a[0]);
    if (!s.length) throw vbErr(5, 'Asc');
    return ascAnsi(s);
  });
  def('AscW', 1, 1, function (a) {
    var s = str(a[0]);
    if (!s.length) throw vbErr(5, 'AscW');
    return s.charCodeAt(0);
  });
  def('Escape', 1, 1, function (a) {
    return escape(str(a[0]));
  });
  def('Unescape', 1, 1, function (a) {
    return unescape(str(a[0]));
  });

  function ranged(n, lo, hi) {
    if (n < lo || n > hi) throw vbErr(6);
    return n;
  }
  def('CInt', 1, 1, function (a) {
    return ranged(roundEven(toNum(a[0])), -32768, 32767);
  });
  def('CLng', 1, 1, function (a) {
    return ranged(roundEven(toNum(a[0])), -2147483648, 2147483647);
  });
  def('CByte', 1, 1, function (a) {
    return ranged(roundEven(toNum(a[0])), 0, 255);
  });
  def('CDbl', 1, 1, function (a) {
    return toNum(a[0]);
  });
  def('CSng', 1, 1, function (a) {
    return Math.fround(toNum(a[0]));
  });
  def('CCur', 1, 1, function (a) {
    return Math.round(toNum(a[0]) * 10000) / 10000;
  });
  def('CStr', 1, 1, function (a) {
    return toStr(a[0]);
  });
  def('CBool', 1, 1, function (a) {
    return toBool(a[0]);
  });
  def('CDate', 1, 1, function (a) {
    return toDate(a[0]);
  });
  def('Int', 1, 1, function (a) {
    if (a[0] === null) return null;
    return a[0] instanceof VDate ? new VDate(Math.floor(a[0].serial)) : Math.floor(toNum(a[0]));
  });
  def('Fix', 1, 1, function (a) {
    if (a[0] === null) return null;
    var n = Math.trunc(toNum(a[0]));
    return n === 0 ? 0 : n;
  });
  def('Abs', 1, 1, function (a) {
    return a[0] === null ? null : Math.abs(toNum(a[0]));
  });
  def('Sgn', 1, 1, function (a) {
    var n = toNum(a[0]);
    return n > 0 ? 1 : n < 0 ? -1 : 0;
  });
  def('Sqr', 1, 1, function (a) {
    var n = toNum(a[0]);
    if (n < 0) throw vbErr(5, 'Sqr');
    return Math.sqrt(n);
  });
  def('Exp', 1, 1, function (a) {
    return checked(Math.exp(toNum(a[0])));
  });
  def('Log', 1, 1, function (a) {
    var n = toNum(a[0]);
    if (n <= 0) throw vbErr(5, 'Log');
    return Math.log(n);
  });
  def('Sin', 1, 1, function (a) {
    return Math.sin(toNum(a[0]));
  });
  def('Cos', 1, 1, function (a) {
    return Math.cos(toNum(a[0]));
  });
  def('Tan', 1, 1, function (a) {
    return Math.tan(toNum(a[0]));
  });
  def('Atn', 1, 1, function (a) {
    return Math.atan(toNum(a[0]));
  });
  // Rnd: a negative argument repeats the same number for the same argument, 0 the last one.
  def('Rnd', 0, 1, function (a) {
    var n = a[0] === undefined ? 1 : toNum(a[0]);
    if (n === 0) return this.rndLast;
    if (n < 0) {
      var x = Math.abs(Math.sin(n * 12.9898) * 43758.5453);
      this.rndSeed = x - Math.floor(x);
      this.rndLast = this.rndSeed;
      return this.rndLast;
    }
    if (this.rndSeed !== null) {
      this.rndSeed = (this.rndSeed * 1140671485 + 12820163) % 16777216;
      this.rndLast = this.rndSeed / 16777216;
    } else this.rndLast = Math.random();
    return this.rndLast;
  });
  def('Randomize', 0, 1, function (a) {
    this.rndSeed = a[0] === undefined ? null : Math.floor(Math.abs(toNum(a[0])) * 7919) % 16777216;
  });
  def('Round', 1, 2, function (a) {
    if (a[0] === null) return null;
    var d = a[1] === undefined ? 0 : toLong(a[1]);
    if (d < 0) throw vbErr(5, 'Round');
    var f = Math.pow(10, d);
    var x = toNum(a[0]) * f;
    var r = roundEven(parseFloat(x.toPrecision(15))) / f;
    return r === 0 ? 0 : r;
  });
  def('RGB', 3, 3, function (a) {
    function c(v) {
      var n = toLong(v);
      if (n < 0) throw vbErr(5, 'RGB');
      return Math.min(n, 255);
    }
    return c(a[0]) + c(a[1]) * 256 + c(a[2]) * 65536;
  });

  def('IsNumeric', 1, 1, function (a) {
    var v = a[0];
    if (v === undefined || typeof v === 'number' || typeof v === 'boolean') return true;
    if (typeof v === 'string') return parseNumber(v) !== null;
    return false;
  });
  def('IsEmpty', 1, 1, function (a) {
    return a[0] === undefined;
  });
  def('IsNull', 1, 1, function (a) {
    return a[0] === null;
  });
  def('IsArray', 1, 1, function (a) {
    return a[0] instanceof VArray || a[0] instanceof SafeArray;
  });
  def('IsObject', 1, 1, function (a) {
    return isObj(a[0]) && !(a[0] instanceof VArray) && !(a[0] instanceof VDate);
  });
  def('IsDate', 1, 1, function (a) {
    if (a[0] instanceof VDate) return true;
    return typeof a[0] === 'string' && parseDate(a[0], false) !== null;
  });
  def('TypeName', 1, 1, function (a) {
    return typeName(a[0]);
  });
  def('VarType', 1, 1, function (a) {
    return varType(a[0]);
  });

  function asList(v) {
    if (v instanceof VArray) {
      if (v.ub.length !== 1) throw vbErr(5);
      return v.data;
    }
    if (v instanceof SafeArray) return asList(v.vbArray);
    if (Array.isArray(v)) return v.map(fromJs);
    throw vbErr(13);
  }
  function arrayArg(v) {
    if (v instanceof SafeArray) return v.vbArray;
    if (Array.isArray(v)) return new VArray([v.length - 1], v);
    if (!(v instanceof VArray)) throw vbErr(13);
    return v;
  }
  def('UBound', 1, 2, function (a) {
    var arr = arrayArg(a[0]);
    var d = a[1] === undefined ? 1 : toLong(a[1]);
    if (d < 1 || d > arr.ub.length) throw vbErr(9);
    return arr.ub[d - 1];
  });
  def('LBound', 1, 2, function (a) {
    var arr = arrayArg(a[0]);
    var d = a[1] === undefined ? 1 : toLong(a[1]);
    if (d < 1 || d > arr.ub.length) throw vbErr(9);
    return 0;
  });
  def('Array', 0, Infinity, function (a) {
    return arrayOf(a.map(copyValue));
  });

  // ---- dates

  def('Now', 0, 0, function () {
    return fromJsDate(new Date());
  });
  def('Date', 0, 0, function () {
    return new VDate(Math.floor(fromJsDate(new Date()).serial));
  });
  def('Time', 0, 0, function () {
    var s = fromJsDate(new Date()).serial;
    return new VDate(s - Math.floor(s));
  });
  def('Timer', 0, 0, function () {
    var d = new Date();
    return d.getHours() * 3600 + d.getMinutes() * 60 + d.getSeconds() + d.getMilliseconds() / 1000;
  });
  function datePart(fn) {
    return function (a) {
      if (a[0] === null) return null;
      return fn(parts(toDate(a[0]).serial));
    };
  }
  def('Year', 1, 1, datePart(function (p) {
    return p.y;
  }));
  def('Month', 1, 1, datePart(function (p) {
    return p.mo;
  }));
  def('Day', 1, 1, datePart(function (p) {
    return p.d;
  }));
  def('Hour', 1, 1, datePart(function (p) {
    return p.h;
  }));
  def('Minute', 1, 1, datePart(function (p) {
    return p.mi;
  }));
  def('Second', 1, 1, datePart(function (p) {
    return p.s;
  }));
  function firstDay(v) {
    var f = v === undefined ? 1 : toLong(v);
    if (f < 0 || f > 7) throw vbErr(5);
    return f === 0 ? 2 : f;
  }
  def('Weekday', 1, 2, function (a) {
    if (a[0] === null) return null;
    var wd = parts(toDate(a[0]).serial).wd + 1;
    return ((wd - firstDay(a[1]) + 7) % 7) + 1;
  });
  def('WeekdayName', 1, 3, function (a) {
    var n = toLong(a[0]);
    if (n < 1 || n > 7) throw vbErr(5, 'WeekdayName');
    var idx = (n - 1 + firstDay(a[2]) - 1) % 7;
    return a[1] !== undefined && toBool(a[1]) ? DAYS_SHORT[idx] : DAYS[idx];
  });
  def('MonthName', 1, 2, function (a) {
    var n = toLong(a[0]);
    if (n < 1 || n > 12) throw vbErr(5, 'MonthName');
    return a[1] !== undefined && toBool(a[1]) ? MONTHS_SHORT[n - 1] : MONTHS[n - 1];
  });
  def('DateSerial', 3, 3, function (a) {
    var y = toLong(a[0]);
    if (y >= 0 && y < 100) y = fullYear(y);
    return makeDate(y, toLong(a[1]), toLong(a[2]));
  });
  def('TimeSerial', 3, 3, function (a) {
    return new VDate((toLong(a[0]) * 3600 + toLong(a[1]) * 60 + toLong(a[2])) / 86400);
  });
  def('DateValue', 1, 1, function (a) {
    return new VDate(Math.floor(toDate(a[0]).serial));
  });
  def('TimeValue', 1, 1, function (a) {
    var s = toDate(a[0]).serial;
    return new VDate(s - Math.floor(s));
  });
  var INTERVALS = table({ yyyy: 1, q: 1, m: 1, y: 1, d: 1, w: 1, ww: 1, h: 1, n: 1, s: 1 });
  function interval(v) {
    var k = str(v).toLowerCase();
    if (!INTERVALS[k]) throw vbErr(5);
    return k;
  }
  def('DateAdd', 3, 3, function (a) {
    var k = interval(a[0]);
    var n = Math.trunc(toNum(a[1]));
    var d = toDate(a[2]);
    var p = parts(d.serial);
    var frac = d.serial - Math.floor(d.serial);
    if (k === 'yyyy' || k === 'q' || k === 'm') {
      var months = k === 'yyyy' ? n * 12 : k === 'q' ? n * 3 : n;
      var total = p.y * 12 + (p.mo - 1) + months;
      var y = Math.floor(total / 12);
      var mo = (total % 12) + 1;
      var last = parts(makeDate(y, mo + 1, 0).serial).d;
      return new VDate(makeDate(y, mo, Math.min(p.d, last)).serial + frac);
    }
    var days = { y: 1, d: 1, w: 1, ww: 7, h: 1 / 24, n: 1 / 1440, s: 1 / 86400 }[k];
    var serial = d.serial + n * days;
    return new VDate(Math.round(serial * 86400) / 86400);
  });
  def('DateDiff', 3, 5, function (a) {
    var k = interval(a[0]);
    var d1 = toDate(a[1]).serial;
    var d2 = toDate(a[2]).serial;
    var p1 = parts(d1);
    var p2 = parts(d2);
    switch (k) {
      case 'yyyy':
        return p2.y - p1.y;
      case 'q':
        return p2.y * 4 + Math.floor((p2.mo - 1) / 3) - (p1.y * 4 + Math.floor((p1.mo - 1) / 3));
      case 'm':
        return p2.y * 12 + p2.mo - (p1.y * 12 + p1.mo);
      case 'y':
      case 'd':
        return Math.floor(d2) - Math.floor(d1);
      case 'w':
        return Math.trunc((Math.floor(d2) - Math.floor(d1)) / 7);
      case 'ww':
        var fd = firstDay(a[3]);
        var w1 = Math.floor((Math.floor(d1) - ((p1.wd + 1 - fd + 7) % 7)) / 7);
        var w2 = Math.floor((Math.floor(d2) - ((p2.wd + 1 - fd + 7) % 7)) / 7);
        return w2 - w1;
      case 'h':
        return Math.floor(Math.round(d2 * 24 * 3600) / 3600) - Math.floor(Math.round(d1 * 24 * 3600) / 3600);
      case 'n':
        return Math.floor(Math.round(d2 * 86400) / 60) - Math.floor(Math.round(d1 * 86400) / 60);
      default:
        return Math.round(d2 * 86400) - Math.round(d1 * 86400);
    }
  });
  def('DatePart', 2, 4, function (a) {
    var k = interval(a[0]);
    var d = toDate(a[1]);
    var p = parts(d.serial);
    switch (k) {
      case 'yyyy':
        return p.y;
      case 'q':
        return Math.floor((p.mo - 1) / 3) + 1;
      case 'm':
        return p.mo;
      case 'y':
        return Math.floor(d.serial) - Math.floor(makeDate(p.y, 1, 1).serial) + 1;
      case 'd':
        return p.d;
      case 'w':
        return ((p.wd + 1 - firstDay(a[2]) + 7) % 7) + 1;
      case 'ww':
        var jan1 = makeDate(p.y, 1, 1).serial;
        var off = (parts(jan1).wd + 1 - firstDay(a[2]) + 7) % 7;
        return Math.floor((Math.floor(d.serial) - jan1 + off) / 7) + 1;
      case 'h':
        return p.h;
      case 'n':
        return p.mi;
      default:
        return p.s;
    }
  });
  def('FormatDateTime', 1, 2, function (a) {
    if (a[0] === null) throw vbErr(94);
    var kind = a[1] === undefined ? 0 : toLong(a[1]);
    if (kind < 0 || kind > 4) throw vbErr(5, 'FormatDateTime');
    return formatDate(toDate(a[0]), kind);
  });

  // FormatNumber and its kin: digits after the point (-1: two), leading zero, parentheses for
  // negatives, grouping by thousands (-2: as the system does, which groups and leads with 0).
  function formatFixed(a, suffix, scale) {
    if (a[0] === null) return null;
    var n = toNum(a[0]) * scale;
    var digits = a[1] === undefined || toLong(a[1]) === -1 ? 2 : toLong(a[1]);
    if (digits < 0 || digits > 255) throw vbErr(5);
    var lead = a[2] === undefined || toLong(a[2]) !== 0;
    var parens = a[3] !== undefined && toLong(a[3]) === -1;
    var group = a[4] === undefined || toLong(a[4]) !== 0;
    var f = Math.pow(10, Math.min(digits, 20));
    var abs = roundEven(parseFloat((Math.abs(n) * f).toPrecision(15))) / f;
    var text = abs.toFixed(Math.min(digits, 100));
    var dot = text.indexOf('.');
    var whole = dot < 0 ? text : text.slice(0, dot);
    var part = dot < 0 ? '' : text.slice(dot);
    if (group) whole = whole.replace(/\B(?=(\d{3})+(?!\d))/g, ',');
    if (whole === '0' && !lead && part) whole = '';
    var body = whole + part + suffix;
    if (n < 0 && abs !== 0) return parens ? '(' + body + ')' : '-' + body;
    return body;
  }
  def('FormatNumber', 1, 5, function (a) {
    return formatFixed(a, '', 1);
  });
  def('FormatPercent', 1, 5, function (a) {
    return formatFixed(a, '%', 100);
  });
  def('FormatCurrency', 1, 5, function (a) {
    return formatFixed(a, ' лв.', 1);
  });

  // ---- the page's boxes

  // MsgBox through the page's own boxes: OK only is an alert, every other set of buttons a
  // confirm whose OK gives the first button's answer and Cancel the last one's.
  var BOX_ANSWERS = { 1: [1, 2], 2: [4, 3], 3: [6, 2], 4: [6, 7], 5: [4, 2] };
  def('MsgBox', 1, 5, function (a) {
    var text = str(a[0]);
    var buttons = a[1] === undefined ? 0 : toLong(a[1]) & 7;
    var title = a[2] === undefined ? '' : str(a[2]);
    var answers = BOX_ANSWERS[buttons];
    if (!answers) {
      this.host.alert(text, title);
      return 1;
    }
    if (buttons === 3) answers = [6, 7];
    return this.host.confirm(text, title) ? answers[0] : answers[1];
  });
  def('InputBox', 1, 7, function (a) {
    var answer = this.host.prompt(str(a[0]), a[1] === undefined ? '' : str(a[1]), str(a[2]));
    return answer === null || answer === undefined ? '' : String(answer);
  });

  // ---- the language itself

  def('Eval', 1, 1, function (a) {
    var src = str(a[0]);
    var tokens = lex(src);
    var ps = new Parser(tokens);
    var e = ps.expression();
    ps.endStatement();
    return this.eval(e, this.scopeFrame());
  });
  def('Execute', 1, 1, function (a) {
    this.runText(str(a[0]), this.scopeFrame());
  });
  def('ExecuteGlobal', 1, 1, function (a) {
    this.runText(str(a[0]), null);
  });
  def('GetRef', 1, 1, function (a) {
    var name = str(a[0]);
    var p = this.procs.get(name.toLowerCase());
    if (!p) throw vbErr(5, 'GetRef');
    return this.jsFunction(p);
  });
  def('CreateObject', 1, 2, function (a) {
    var progId = str(a[0]);
    if (/^scripting\.dictionary$/i.test(progId)) return new Dictionary();
    if (/^vbscript\.regexp$/i.test(progId)) return new VBRegExp();
    var made = this.host.activeX(progId);
    if (made) return made;
    throw this.host.unsupported('CreateObject("' + progId + '")', vbErr(429, progId));
  });
  def('GetObject', 0, 2, function (a) {
    throw this.host.unsupported('GetObject', vbErr(429, a[1] === undefined ? str(a[0]) : str(a[1])));
  });
  def('LoadPicture', 1, 1, function () {
    throw this.host.unsupported('LoadPicture', vbErr(429, 'LoadPicture'));
  });
  def('ScriptEngine', 0, 0, function () {
    return 'VBScript';
  });
  def('ScriptEngineMajorVersion', 0, 0, function () {
    return 5;
  });
  def('ScriptEngineMinorVersion', 0, 0, function () {
    return 6;
  });
  def('ScriptEngineBuildVersion', 0, 0, function () {
    return 8831;
  });
  def('GetLocale', 0, 0, function () {
    return 1026;
  });
  def('SetLocale', 0, 1, function () {
    return 1026;
  });
  BUILTIN.err = { fn: function () {
    return this.err;
  }, min: 0, max: 0 };

  function typeName(v) {
    if (v === undefined) return 'Empty';
    if (v === null) return 'Null';
    if (v === NOTHING) return 'Nothing';
    switch (typeof v) {
      case 'string':
        return 'String';
      case 'boolean':
        return 'Boolean';
      case 'number':
        return numberType(v) === 2 ? 'Integer' : numberType(v) === 3 ? 'Long' : 'Double';
    }
    if (v instanceof VDate) return 'Date';
    if (v instanceof VArray || v instanceof SafeArray) return 'Variant()';
    if (v instanceof VBClassObject) return v.cls.n;
    if (v instanceof Dictionary) return 'Dictionary';
    if (v instanceof ErrObject) return 'ErrObject';
    var c = v.constructor && v.constructor.name;
    return c && c !== 'Object' ? c : 'Object';
  }
  function numberType(n) {
    if (!Number.isInteger(n)) return 5;
    if (n >= -32768 && n <= 32767) return 2;
    if (n >= -2147483648 && n <= 2147483647) return 3;
    return 5;
  }
  function varType(v) {
    if (v === undefined) return 0;
    if (v === null) return 1;
    switch (typeof v) {
      case 'string':
        return 8;
      case 'boolean':
        return 11;
      case 'number':
        return numberType(v);
    }
    if (v instanceof VDate) return 7;
    if (v instanceof VArray || v instanceof SafeArray) return 8204;
    return 9;
  }

  // ---------------------------------------------------------------- running text

  // The frame that Eval and Execute see: the procedure running now, or the top level.
  IP.scopeFrame = function () {
    return this.frames.length ? this.frames[this.frames.length - 1] : this.topFrame(null);
  };
  IP.topFrame = function (origin) {
    return new Frame(this.globals, null, null, origin);
  };

  // Makes a parsed program's classes, procedures and top-level names known, as a block does
  // before its first statement runs.
  IP.load = function (prog, origin) {
    var i;
    for (i = 0; i < prog.classes.length; i++)
      this.classes.set(prog.classes[i].lc, new VBClass(prog.classes[i], origin));
    for (i = 0; i < prog.procs.length; i++) {
      var p = prog.procs[i];
      p.origin = origin;
      this.procs.set(p.lc, p);
      this.host.exportProcedure(p, this);
    }
    for (i = 0; i < prog.decls.length; i++) {
      var d = prog.decls[i];
      if (d.isConst || this.globals.has(d.lc)) continue;
      var cell = new Cell(undefined);
      this.globals.set(d.lc, cell);
      this.host.exportVariable(d.n, cell);
    }
    // Constants hold from the start: procedures called early may use them.
    var top = this.topFrame(origin);
    for (i = 0; i < prog.body.length; i++) {
      if (prog.body[i].t !== 'const') continue;
      try {
        this.exec(prog.body[i], top);
      } catch (e) {
        if (e instanceof BudgetSpent) throw e;
      }
    }
  };

  // Runs a program's top level in frame f (a new top-level frame when null).
  IP.runProgram = function (prog, origin, f) {
    this.load(prog, origin);
    var fr = f || this.topFrame(origin);
    this.frames.push(fr);
    var was = currentInterp;
    currentInterp = this;
    try {
      this.execBlock(prog.body, fr);
    } finally {
      this.frames.pop();
      currentInterp = was;
    }
  };

  IP.runText = function (src, f) {
    var origin = f ? f.origin : this.frames.length ? this.frames[this.frames.length - 1].origin : null;
    this.runProgram(parse(src), origin, f);
  };

  // A JavaScript function that calls VBScript procedure p, as IE let JScript call it.
  IP.jsFunction = function (p) {
    if (p.jsFn) return p.jsFn;
    var self = this;
    var lc = p.lc;
    p.jsFn = function () {
      var current = self.procs.get(lc) || p;
      var values = [];
      for (var i = 0; i < arguments.length; i++) values.push(fromJs(arguments[i]));
      return toJs(self.guarded(function () {
        return self.callWithValues(current, values, null);
      }));
    };
    return p.jsFn;
  };

  // Runs fn; a VBScript error that escapes is reported as the page's and ends only this run.
  IP.guarded = function (fn) {
    var was = currentInterp;
    currentInterp = this;
    try {
      return fn();
    } catch (e) {
      if (e instanceof BudgetSpent) throw e;
      this.host.report(asVBError(e));
      return undefined;
    } finally {
      currentInterp = was;
    }
  };

  // Parses and runs one block of text; errors are reported, never thrown.
  IP.runBlock = function (src, origin) {
    var prog;
    try {
      prog = parse(src);
    } catch (e) {
      if (e instanceof BudgetSpent) throw e;
      var ve = asVBError(e);
      ve.origin = origin;
      this.host.report(ve);
      return false;
    }
    var self = this;
    this.guarded(function () {
      self.runProgram(prog, origin, null);
    });
    return true;
  };

  // A parsed handler (event attribute, vbscript: address, timer text) run as a top-level piece
  // of code, `me` the element it belongs to.
  IP.runHandler = function (prog, origin, me) {
    var self = this;
    return this.guarded(function () {
      var f = self.topFrame(origin);
      f.self = me || null;
      self.runProgram(prog, origin, f);
    });
  };

  // ---------------------------------------------------------------- RegExp (VBScript 5)

  function VBRegExp() {
    this.Pattern = '';
    this.IgnoreCase = false;
    this.Global = false;
    this.MultiLine = false;
  }
  VBRegExp.prototype.compiled = function (global) {
    try {
      var flags = (global ? 'g' : '') + (toBool(this.IgnoreCase) ? 'i' : '') + (toBool(this.MultiLine) ? 'm' : '');
      return new RegExp(toStr(this.Pattern), flags);
    } catch (e) {
      throw vbErr(5017);
    }
  };
  VBRegExp.prototype.Test = function (s) {
    return this.compiled(false).test(str(s));
  };
  VBRegExp.prototype.Replace = function (s, r) {
    return str(s).replace(this.compiled(toBool(this.Global)), str(r));
  };
  VBRegExp.prototype.Execute = function (s) {
    var text = str(s);
    var re = this.compiled(true);
    var list = [];
    var m;
    while ((m = re.exec(text))) {
      list.push(new VBMatch(m));
      if (!m[0].length) re.lastIndex++;
      if (!toBool(this.Global)) break;
    }
    return new VBCollection(list);
  };
  function VBMatch(m) {
    this.Value = m[0];
    this.FirstIndex = m.index;
    this.Length = m[0].length;
    this.SubMatches = new VBCollection(
      m.slice(1).map(function (x) {
        return x === undefined ? '' : x;
      })
    );
  }
  VBMatch.prototype.valueOf = function () {
    return this.Value;
  };
  VBMatch.prototype.toString = VBMatch.prototype.valueOf;
  function VBCollection(list) {
    this.list = list;
    this.length = list.length;
    for (var i = 0; i < list.length; i++) this[i] = list[i];
  }
  VBCollection.prototype.item = function (i) {
    var k = toLong(i);
    if (k < 0 || k >= this.list.length) throw vbErr(5);
    return this.list[k];
  };
  Object.defineProperty(VBCollection.prototype, 'Count', {
    get: function () {
      return this.list.length;
    }
  });
  MESSAGES[5017] = 'Синтактична грешка в регулярния израз';
  var constructBase = IP.construct;
  IP.construct = function (e) {
    if (e.lc === 'regexp' && !this.classes.has('regexp')) return new VBRegExp();
    return constructBase.call(this, e);
  };

  // ---------------------------------------------------------------- the page

  var nativeAlert = win.alert;
  var nativeConfirm = win.confirm;
  var nativePrompt = win.prompt;
  var told = new Set();

  // A line of the layer's own in the console, once per text: an error when the page's code asks
  // for what does not run here (at its line), a remark otherwise.
  function layerLine(text, line) {
    if (told.has(text)) return;
    told.add(text);
    if (line === undefined) compat.note('VBScript', text);
    else compat.send('console', { level: 'error', text: 'VBScript: ' + text, line: line });
  }

  // May VBScript set win[k]? Not a read-only property, not an element reached by its id.
  function settable(obj, k) {
    var cur;
    try {
      cur = obj[k];
    } catch (e) {
      return false;
    }
    if (typeof Node !== 'undefined' && cur instanceof Node) return false;
    for (var o = obj; o; o = Object.getPrototypeOf(o)) {
      var d = Object.getOwnPropertyDescriptor(o, k);
      if (d) return d.set !== undefined || d.writable === true;
    }
    return false;
  }

  // Where in the page a block's line is: the page's text is read once, when first needed.
  var pageText = null;
  var pageTextWaiting = null;
  function withPageText(cb) {
    if (pageText !== null) return cb(pageText);
    if (pageTextWaiting) return pageTextWaiting.push(cb);
    pageTextWaiting = [cb];
    var done = function (text) {
      pageText = text.replace(/\r\n?/g, '\n');
      var list = pageTextWaiting;
      pageTextWaiting = null;
      list.forEach(function (f) {
        f(pageText);
      });
    };
    try {
      var xhr = new XMLHttpRequest();
      xhr.open('GET', doc.URL.replace(/#.*$/, ''), true);
      xhr.overrideMimeType('text/plain; charset=' + (doc.characterSet || 'windows-1251'));
      xhr.onload = function () {
        done(xhr.responseText || '');
      };
      xhr.onerror = function () {
        done('');
      };
      xhr.send();
    } catch (e) {
      done('');
    }
  }
  function lineOfText(text, needle) {
    if (!needle) return 0;
    var at = text.indexOf(needle.replace(/\r\n?/g, '\n'));
    if (at < 0) return 0;
    var n = 1;
    for (var i = text.indexOf('\n'); i >= 0 && i < at; i = text.indexOf('\n', i + 1)) n++;
    return n;
  }

  // A script error of the page's, at the page's address and line.
  function pageError(text, url, line) {
    if (typeof compat.pageError === 'function') return compat.pageError(text, url, line);
    setTimeout(function () {
      var pad = line > 1 ? new Array(line).join('\n') : '';
      (0, eval)(pad + 'throw ' + JSON.stringify(text) + ';\n//# sourceURL=' + url);
    }, 0);
  }

  // Calls back with the address and line of `line` of the code `origin` names; when the page's
  // text does not show where that code is, with the line within the code as a note.
  function place(origin, line, cb) {
    if (origin.url) return cb(origin.url, line ? (origin.base || 1) + line - 1 : 0, '');
    withPageText(function (page) {
      var base = lineOfText(page, origin.text);
      if (base) cb(doc.URL, base + line - 1, '');
      else cb(doc.URL, 0, line ? ' (ред ' + line + ' от ' + (origin.what || 'кода') + ')' : '');
    });
  }

  function report(e) {
    var text = 'Грешка на VBScript при ' + (e.syntax ? 'компилиране' : 'изпълнение') + ': ' + e.description;
    place(e.origin || {}, e.line || 0, function (url, line, note) {
      pageError(text + note, url, line);
    });
  }

  var pageHost = {
    lookup: function (name, lc) {
      var k = findMember(win, name, lc);
      if (k !== null) return { o: win, k: k };
      var el = namedChild(doc, name);
      return el ? { o: { v: el }, k: 'v' } : null;
    },
    assign: function (name, lc, v) {
      var k = findMember(win, name, lc);
      if (k === null || !settable(win, k)) return false;
      try {
        win[k] = toJs(v);
        return true;
      } catch (e) {
        return false;
      }
    },
    exportVariable: function (name, cell) {
      if (name in win) return;
      Object.defineProperty(win, name, {
        configurable: true,
        enumerable: true,
        get: function () {
          return toJs(cell.v);
        },
        set: function (v) {
          cell.v = fromJs(v);
        }
      });
    },
    exportProcedure: function (p, interp) {
      var fn = interp.jsFunction(p);
      if (!(p.n in win)) {
        Object.defineProperty(win, p.n, { configurable: true, enumerable: true, writable: true, value: fn });
      }
      autoBind(p);
    },
    special: function (fn, self, args, lc, interp) {
      if ((lc !== 'settimeout' && lc !== 'setinterval') || (self !== win && self !== null)) return undefined;
      if (typeof args[0] !== 'string') return undefined;
      var lang = args[2] === undefined ? '' : String(args[2]).toLowerCase();
      if (/^(j|java)script$/.test(lang)) return undefined;
      var prog;
      try {
        prog = parse(args[0]);
      } catch (e) {
        return undefined;
      }
      var origin = { text: args[0], what: 'таймера' };
      var run = function () {
        interp.runHandler(prog, origin, null);
      };
      return { value: fn.call(win, run, toJs(args[1])) };
    },
    unknownName: function (name, err) {
      return err;
    },
    // The controls the ie part makes (its ActiveXObject: XMLHTTP); null for any other.
    activeX: function (progId) {
      if (typeof win.ActiveXObject !== 'function') return null;
      try {
        return new win.ActiveXObject(progId);
      } catch (e) {
        return null;
      }
    },
    unsupported: function (construct, err) {
      err.unsupported = construct;
      return err;
    },
    unsupportedAt: function (e) {
      place(e.origin || {}, e.line || 0, function (url, line, note) {
        layerLine('„' + e.unsupported + '“ не се изпълнява' + (line ? ' (ред ' + line + ')' : note), line);
      });
    },
    alert: function (text) {
      nativeAlert.call(win, text);
    },
    confirm: function (text) {
      return nativeConfirm.call(win, text);
    },
    prompt: function (text, title, dflt) {
      return nativePrompt.call(win, text, dflt);
    },
    report: report
  };

  var interp = new Interp(pageHost);

  // ---- Sub Button1_OnClick, Sub window_onload: bound to the element of that id or name

  var autoBinds = [];
  var boundEvents = new WeakMap();
  function autoBind(p) {
    var m = /^(.+)_(on[a-z]+)$/i.exec(p.n);
    if (!m) return;
    var b = { name: m[1], evt: m[2].slice(2).toLowerCase(), lc: p.lc };
    if (!bindTo(b)) autoBinds.push(b);
  }
  function eventTarget(name) {
    var lc = name.toLowerCase();
    if (lc === 'window') return win;
    if (lc === 'document') return doc;
    return namedChild(doc, name) || null;
  }
  function once(target, key) {
    var keys = boundEvents.get(target);
    if (!keys) {
      keys = new Set();
      boundEvents.set(target, keys);
    }
    if (keys.has(key)) return false;
    keys.add(key);
    return true;
  }
  function bindTo(b) {
    var target = eventTarget(b.name);
    if (!target) return false;
    if (!once(target, b.evt + ' ' + b.lc)) return true;
    target.addEventListener(b.evt, function (ev) {
      var p = interp.procs.get(b.lc);
      if (!p) return;
      var result = interp.guarded(function () {
        return interp.callWithValues(p, [], null);
      });
      if (result === false && ev.cancelable) ev.preventDefault();
    });
    return true;
  }
  function retryBinds() {
    autoBinds = autoBinds.filter(function (b) {
      return !bindTo(b);
    });
  }

  // ---- event attributes in VBScript

  var defaultVB = null; // the language of the page's first script: null until one is seen
  var waiting = []; // elements with handlers seen before the first script
  var attrDone = new WeakMap();
  var PREFIX = /^\s*(vbscript|vbs|javascript|jscript|livescript)\s*:/i;

  function elementLanguage(el) {
    var lang = (el.getAttribute('language') || '').toLowerCase();
    if (/^vbs(cript)?$/.test(lang)) return true;
    if (/^(j|java|live)script/.test(lang)) return false;
    return null;
  }

  // Compiles `code` as a handler; null when it is JavaScript after all (left to the engine).
  function compileHandler(code, origin, reportErrors) {
    // VBScript has no return: a handler that starts with one was written in JavaScript.
    if (/^\s*return\b/i.test(code)) return null;
    try {
      return parse(code);
    } catch (e) {
      try {
        new Function(code);
        return null;
      } catch (js) {
        if (reportErrors) {
          var ve = asVBError(e);
          ve.origin = origin;
          report(ve);
        }
        return false;
      }
    }
  }

  function handlerAttributes(el) {
    var attrs = el.attributes;
    for (var i = 0; i < attrs.length; i++) {
      var name = attrs[i].name.toLowerCase();
      if (name.length < 3 || name.charCodeAt(0) !== 111 || name.charCodeAt(1) !== 110) continue;
      var value = attrs[i].value;
      var m = PREFIX.exec(value);
      var vb = m ? /^vbs/i.test(m[1]) : elementLanguage(el);
      if (vb === null) {
        if (defaultVB === null) {
          waiting.push(el);
          return;
        }
        vb = defaultVB;
      }
      if (vb) bindAttribute(el, name, m ? value.slice(m[0].length) : value);
    }
  }
  function bindAttribute(el, name, code) {
    // An event the engine does not know never fires; a behavior's own events run their
    // attributes themselves.
    if (!(name in el)) return;
    var done = attrDone.get(el);
    if (!done) {
      done = {};
      attrDone.set(el, done);
    }
    if (done[name] === code) return;
    done[name] = code;
    var origin = { text: code, what: 'обработчика ' + name };
    var prog = compileHandler(code, origin, true);
    if (prog === null) return;
    compat.use('VBScript');
    var handler = function () {
      if (prog) interp.runHandler(prog, origin, el);
    };
    el[name] = handler;
  }

  // ---- vbscript: addresses, run when the link is followed (after the page's own handlers)

  win.addEventListener('click', function (ev) {
    if (ev.defaultPrevented || ev.button !== 0 || !ev.target || !ev.target.closest) return;
    var a = ev.target.closest('a[href], area[href]');
    if (!a) return;
    var href = a.getAttribute('href');
    var m = /^\s*vbscript\s*:/i.exec(href);
    if (!m) return;
    ev.preventDefault();
    compat.use('VBScript');
    runCode(href.slice(m[0].length), { text: href, what: 'адреса vbscript:' }, null);
  });

  function runCode(code, origin, me) {
    var prog = compileHandler(code, origin, true);
    if (prog) interp.runHandler(prog, origin, me);
  }

  // ---- <script language="VBScript"> blocks, in document order among the others

  var queue = [];
  var queued = new WeakSet();
  var bodyWrites = [];

  function scriptLanguage(el) {
    var type = (el.getAttribute('type') || '').toLowerCase().replace(/\s+/g, '');
    var lang = (el.getAttribute('language') || '').toLowerCase().replace(/\s+/g, '');
    if (/^text\/vbs(cript)?\.encode$/.test(type) || /^vbs(cript)?\.encode$/.test(lang)) return 'vbe';
    if (type) return /^text\/vbs(cript)?$/.test(type) ? 'vb' : 'other';
    if (/^vbs(cript)?$/.test(lang)) return 'vb';
    return 'js';
  }

  function seeScript(el) {
    var lang = scriptLanguage(el);
    if (defaultVB === null) {
      defaultVB = lang === 'vb' || lang === 'vbe';
      var list = waiting;
      waiting = [];
      list.forEach(handlerAttributes);
    }
    if ((lang === 'vb' || lang === 'vbe') && !queued.has(el)) {
      queued.add(el);
      queue.push(el);
    }
  }

  function visit(node) {
    if (node.nodeType !== 1) return;
    var all = node.firstElementChild ? node.getElementsByTagName('*') : null;
    see(node);
    if (all) for (var i = 0; i < all.length; i++) see(all[i]);
  }
  function see(el) {
    if (el.localName === 'script') seeScript(el);
    else if (el.localName === 'body' && bodyWrites.length) flushBodyWrites(el);
    if (el.hasAttributes()) handlerAttributes(el);
  }

  // Has the parser gone past this element's end (so its text is whole)?
  function parsed(el) {
    if (doc.readyState !== 'loading') return true;
    for (var n = el; n && n !== doc; n = n.parentNode) if (n.nextSibling) return true;
    return false;
  }

  function runQueue() {
    while (queue.length && parsed(queue[0])) runScript(queue.shift());
  }

  function runScript(el) {
    var lang = scriptLanguage(el);
    compat.use('VBScript');
    if (lang === 'vbe') {
      layerLine('закодиран скрипт (VBScript.Encode) не се изпълнява');
      return;
    }
    var src;
    var origin;
    if (el.hasAttribute('src')) {
      origin = { url: el.src };
      src = readFile(el.src);
      if (src === null) return;
    } else {
      src = el.text;
      origin = { text: src, what: 'скрипта' };
    }
    var forId = el.getAttribute('for');
    var evt = el.getAttribute('event');
    if (forId && evt) {
      var prog = compileHandler(src, origin, true);
      if (!prog) return;
      var b = {
        name: forId.replace(/^\s+|\s+$/g, ''),
        evt: evt.replace(/[\s()]/g, '').toLowerCase().replace(/^on/, '')
      };
      b.run = function () {
        interp.runHandler(prog, origin, eventTarget(b.name));
      };
      if (!bindCode(b)) codeBinds.push(b);
      return;
    }
    writingInto(el, function () {
      interp.runBlock(src, origin);
    });
  }

  var codeBinds = [];
  function bindCode(b) {
    var target = eventTarget(b.name);
    if (!target) return false;
    target.addEventListener(b.evt, b.run);
    return true;
  }

  // A file the page names (a .vbs), from what the host gave, else read from disk.
  function readFile(url) {
    var files = compat.options && compat.options.files;
    if (files) {
      var folder = doc.URL.replace(/[?#].*$/, '').replace(/[^/]*$/, '');
      var key = url.indexOf(folder) === 0 ? decodeURI(url.slice(folder.length)) : url;
      if (Object.prototype.hasOwnProperty.call(files, key)) return String(files[key]);
    }
    try {
      var xhr = new XMLHttpRequest();
      xhr.open('GET', url, false);
      xhr.overrideMimeType('text/plain; charset=' + (doc.characterSet || 'windows-1251'));
      xhr.send();
      if (xhr.status === 0 || (xhr.status >= 200 && xhr.status < 300)) return xhr.responseText;
    } catch (e) {
      // reported below
    }
    layerLine('файлът ' + url + ' не можа да се прочете');
    return null;
  }

  // While a block runs as the page loads, what it writes goes right after its <script>, as
  // document.write from inline script did.
  function writingInto(el, fn) {
    if (doc.readyState !== 'loading') return fn();
    var out = [];
    var own = {
      write: Object.getOwnPropertyDescriptor(doc, 'write'),
      writeln: Object.getOwnPropertyDescriptor(doc, 'writeln')
    };
    var collect = function (nl) {
      return function () {
        out.push(Array.prototype.join.call(arguments, '') + nl);
      };
    };
    Object.defineProperty(doc, 'write', { configurable: true, writable: true, value: collect('') });
    Object.defineProperty(doc, 'writeln', { configurable: true, writable: true, value: collect('\n') });
    try {
      fn();
    } finally {
      restore(doc, 'write', own.write);
      restore(doc, 'writeln', own.writeln);
      if (out.length) insertAfter(el, out.join(''));
    }
  }
  function restore(obj, k, d) {
    if (d) Object.defineProperty(obj, k, d);
    else delete obj[k];
  }
  var HEAD_ONLY = table({ style: 1, link: 1, meta: 1, title: 1, script: 1, base: 1, noscript: 1 });
  function insertAfter(el, html) {
    var parent = el.parentNode;
    if (!parent) return;
    var range = doc.createRange();
    range.selectNodeContents(parent);
    var frag = range.createContextualFragment(html);
    if (doc.head && doc.head.contains(el) && !headOnly(frag)) {
      bodyWrites.push(html);
      if (doc.body) flushBodyWrites(doc.body);
      return;
    }
    parent.insertBefore(frag, el.nextSibling);
  }
  function headOnly(frag) {
    for (var n = frag.firstChild; n; n = n.nextSibling) {
      if (n.nodeType === 3 && /\S/.test(n.data)) return false;
      if (n.nodeType === 1 && !HEAD_ONLY[n.localName]) return false;
    }
    return true;
  }
  function flushBodyWrites(body) {
    var html = bodyWrites.join('');
    bodyWrites = [];
    var range = doc.createRange();
    range.selectNodeContents(body);
    body.insertBefore(range.createContextualFragment(html), body.firstChild);
  }

  // ---- watching the document as the parser builds it

  var observer = new MutationObserver(function (records) {
    for (var i = 0; i < records.length; i++) {
      var added = records[i].addedNodes;
      for (var j = 0; j < added.length; j++) visit(added[j]);
    }
    runQueue();
  });
  observer.observe(doc, { childList: true, subtree: true });

  doc.addEventListener('DOMContentLoaded', function () {
    var records = observer.takeRecords();
    for (var i = 0; i < records.length; i++) {
      var added = records[i].addedNodes;
      for (var j = 0; j < added.length; j++) visit(added[j]);
    }
    runQueue();
    if (defaultVB === null) {
      defaultVB = false;
      waiting = [];
    }
    retryBinds();
    codeBinds = codeBinds.filter(function (b) {
      return !bindCode(b);
    });
  }, true);
  win.addEventListener('load', retryBinds, true);

  // JScript's VBArray, which read the arrays VBScript handed over.
  if (!('VBArray' in win)) {
    var VBArrayJs = function VBArray(safe) {
      if (!(this instanceof VBArrayJs)) return new VBArrayJs(safe);
      if (!(safe instanceof SafeArray)) throw new TypeError('VBArray expected');
      this.a = safe.vbArray;
    };
    VBArrayJs.prototype.toArray = function () {
      return this.a.data.map(toJs);
    };
    VBArrayJs.prototype.dimensions = function () {
      return this.a.ub.length;
    };
    VBArrayJs.prototype.ubound = function (d) {
      return this.a.ub[(d || 1) - 1];
    };
    VBArrayJs.prototype.lbound = function () {
      return 0;
    };
    VBArrayJs.prototype.getItem = function () {
      return toJs(this.a.get(Array.prototype.slice.call(arguments)));
    };
    Object.defineProperty(win, 'VBArray', { configurable: true, writable: true, value: VBArrayJs });
  }

  // ---------------------------------------------------------------- for the other parts

  // A VBScript of its own for one behavior's component: `names` ({element: el}) come first, then
  // the members of `around` (the bound element, as a component's script saw them), then the
  // page's window; its procedures stay its own.
  function Scope(names, around) {
    var own = new Map();
    Object.keys(names).forEach(function (k) {
      own.set(k.toLowerCase(), names[k]);
    });
    var host = Object.create(pageHost);
    host.lookup = function (name, lc) {
      if (own.has(lc)) return { o: { v: own.get(lc) }, k: 'v' };
      if (around) {
        var k = findMember(around, name, lc);
        if (k !== null) return { o: around, k: k };
      }
      return pageHost.lookup(name, lc);
    };
    host.assign = function (name, lc, v) {
      var k = around ? findMember(around, name, lc) : null;
      if (k === null || !settable(around, k)) return pageHost.assign(name, lc, v);
      around[k] = toJs(v);
      return true;
    };
    host.exportVariable = function () {};
    host.exportProcedure = function () {};
    this.interp = new Interp(host);
  }
  Scope.prototype.run = function (code, origin) {
    return this.interp.runBlock(String(code), origin || { text: String(code) });
  };
  Scope.prototype.has = function (name) {
    return this.interp.procs.has(String(name).toLowerCase());
  };
  // Calls the procedure `name` with JavaScript values; returns a JavaScript value.
  Scope.prototype.call = function (name, args) {
    var p = this.interp.procs.get(String(name).toLowerCase());
    if (!p) return undefined;
    return this.interp.jsFunction(p).apply(null, args || []);
  };
  // Runs a piece of code (an ONEVENT text) with `me` as Me.
  Scope.prototype.handle = function (code, me, origin) {
    var o = origin || { text: String(code) };
    var prog = compileHandler(String(code), o, true);
    if (prog) this.interp.runHandler(prog, o, me);
  };

  // For the robustness test: runs `code` with no page at all (no window, boxes answered at once),
  // at most `budget` statements; says how it ended and never throws.
  var quietHost = {
    lookup: function () {
      return null;
    },
    assign: function () {
      return false;
    },
    exportVariable: function () {},
    exportProcedure: function () {},
    special: function () {
      return undefined;
    },
    unknownName: function (name, err) {
      return err;
    },
    activeX: function () {
      return null;
    },
    unsupported: function (construct, err) {
      return err;
    },
    unsupportedAt: function () {},
    alert: function () {},
    confirm: function () {
      return true;
    },
    prompt: function () {
      return '';
    },
    report: function () {}
  };
  function trial(code, budget) {
    var it = new Interp(quietHost);
    it.maxSteps = budget;
    var prog;
    try {
      prog = parse(String(code));
    } catch (e) {
      if (e instanceof VBError) return 'syntax ' + e.number;
      return 'escaped ' + (e && e.name);
    }
    try {
      it.runProgram(prog, { text: code }, null);
      return 'ok';
    } catch (e) {
      if (e instanceof BudgetSpent) return 'budget';
      if (e instanceof VBError) return 'error ' + e.number;
      if (e instanceof RangeError) return 'error 28';
      return 'escaped ' + (e && e.name) + ': ' + (e && e.message);
    }
  }

  compat.vbscript = {
    run: function (code) {
      return interp.runBlock(String(code), { text: String(code) });
    },
    // Runs a piece of VBScript as an element's handler (Me the element).
    handle: function (code, me) {
      runCode(String(code), { text: String(code) }, me || null);
    },
    scope: function (names, around) {
      return new Scope(names || {}, around || null);
    },
    trial: trial
  };
});
