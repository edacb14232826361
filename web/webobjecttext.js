// Reads the constructor texts the program sends ("new Name(arg, ...)") as
// data, never as code: the arguments may only be literals (strings, numbers,
// true, false, null, object and array literals). A label text that holds a
// quote or markup therefore stays a text and cannot run anything.
var WebObjectText = (function () {
  'use strict';

  var IDENTIFIER = /[A-Za-z_$][A-Za-z0-9_$]*/y;
  var NUMBER = /[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?/y;
  var SIMPLE_ESCAPES = { n: '\n', r: '\r', t: '\t', b: '\b', f: '\f', v: '\v', '0': '\0' };

  function Parser(text) {
    this.text = String(text);
    this.pos = 0;
  }

  Parser.prototype.fail = function (what) {
    throw new SyntaxError('object text, position ' + this.pos + ': ' + what);
  };

  Parser.prototype.skipBlanks = function () {
    while (this.pos < this.text.length && /\s/.test(this.text[this.pos]))
      this.pos++;
  };

  Parser.prototype.take = function (expected) {
    this.skipBlanks();
    if (this.text.substr(this.pos, expected.length) !== expected)
      this.fail('"' + expected + '" expected');
    this.pos += expected.length;
  };

  Parser.prototype.lookingAt = function (expected) {
    this.skipBlanks();
    return this.text.substr(this.pos, expected.length) === expected;
  };

  Parser.prototype.match = function (pattern) {
    this.skipBlanks();
    pattern.lastIndex = this.pos;
    var found = pattern.exec(this.text);
    if (!found)
      return null;
    this.pos = pattern.lastIndex;
    return found[0];
  };

  Parser.prototype.hexDigits = function (count) {
    var digits = this.text.substr(this.pos, count);
    if (digits.length !== count || !/^[0-9A-Fa-f]+$/.test(digits))
      this.fail('hexadecimal escape expected');
    this.pos += count;
    return parseInt(digits, 16);
  };

  Parser.prototype.string = function () {
    var quote = this.text[this.pos++];
    var result = '';
    for (;;) {
      if (this.pos >= this.text.length)
        this.fail('unterminated string');
      var c = this.text[this.pos++];
      if (c === quote)
        return result;
      if (c === '\n' || c === '\r')
        this.fail('line break in a string');
      if (c !== '\\') {
        result += c;
        continue;
      }
      var e = this.text[this.pos++];
      if (e === undefined)
        this.fail('unterminated string');
      if (Object.prototype.hasOwnProperty.call(SIMPLE_ESCAPES, e)) {
        result += SIMPLE_ESCAPES[e];
      } else if (e === 'x') {
        result += String.fromCharCode(this.hexDigits(2));
      } else if (e === 'u') {
        if (this.text[this.pos] === '{') {
          var end = this.text.indexOf('}', this.pos);
          if (end < 0)
            this.fail('unterminated escape');
          var code = parseInt(this.text.substring(this.pos + 1, end), 16);
          if (isNaN(code) || code > 0x10ffff)
            this.fail('bad escape');
          result += String.fromCodePoint(code);
          this.pos = end + 1;
        } else {
          result += String.fromCharCode(this.hexDigits(4));
        }
      } else if (e === '\r') {
        if (this.text[this.pos] === '\n')
          this.pos++;
      } else if (e !== '\n') {
        result += e;
      }
    }
  };

  Parser.prototype.object = function () {
    this.take('{');
    var result = Object.create(null);
    while (!this.lookingAt('}')) {
      var key;
      this.skipBlanks();
      var c = this.text[this.pos];
      if (c === '\'' || c === '"')
        key = this.string();
      else
        key = this.match(IDENTIFIER) || this.match(NUMBER);
      if (key === null)
        this.fail('member name expected');
      this.take(':');
      result[key] = this.value();
      if (!this.lookingAt(','))
        break;
      this.take(',');
    }
    this.take('}');
    return result;
  };

  Parser.prototype.array = function () {
    this.take('[');
    var result = [];
    while (!this.lookingAt(']')) {
      result.push(this.value());
      if (!this.lookingAt(','))
        break;
      this.take(',');
    }
    this.take(']');
    return result;
  };

  Parser.prototype.value = function () {
    this.skipBlanks();
    var c = this.text[this.pos];
    if (c === '\'' || c === '"')
      return this.string();
    if (c === '{')
      return this.object();
    if (c === '[')
      return this.array();
    var number = this.match(NUMBER);
    if (number !== null)
      return Number(number);
    var word = this.match(IDENTIFIER);
    if (word === 'true')
      return true;
    if (word === 'false')
      return false;
    if (word === 'null')
      return null;
    return this.fail('literal expected');
  };

  // "new Name(args)" -> { className: "Name", args: [...] }; throws on anything else.
  function parse(text) {
    var parser = new Parser(text);
    if (parser.match(IDENTIFIER) !== 'new')
      parser.fail('"new" expected');
    var className = parser.match(IDENTIFIER);
    if (className === null)
      parser.fail('class name expected');
    parser.take('(');
    var args = [];
    while (!parser.lookingAt(')')) {
      args.push(parser.value());
      if (!parser.lookingAt(','))
        break;
      parser.take(',');
    }
    parser.take(')');
    if (parser.lookingAt(';'))
      parser.take(';');
    parser.skipBlanks();
    if (parser.pos !== parser.text.length)
      parser.fail('end of text expected');
    return { className: className, args: args };
  }

  // The classes a parsed text names, nested component texts included: the
  // client loads their libraries before it builds anything.
  function classNames(parsed) {
    var names = [parsed.className];
    parsed.args.forEach(function (arg) {
      if (arg === null || typeof arg !== 'object' || Array.isArray(arg))
        return;
      Object.keys(arg).forEach(function (key) {
        var member = arg[key];
        if (member !== null && typeof member === 'object' && typeof member.objText === 'string') {
          try {
            names.push(parse(member.objText).className);
          } catch (error) {
            // An unreadable component text is left out when the widget is built.
          }
        }
      });
    });
    return names;
  }

  // Only classes the client has vouched for are built: its own and those of
  // the component libraries it loaded for the names the texts hold.
  var classes = Object.create(null);

  function registerClass(name, constructor) {
    classes[name] = constructor;
  }

  function hasClass(name) {
    return typeof classes[name] === 'function';
  }

  function construct(parsed) {
    if (!hasClass(parsed.className))
      throw new Error('unknown class ' + parsed.className);
    return Reflect.construct(classes[parsed.className], parsed.args);
  }

  return {
    parse: parse,
    classNames: classNames,
    registerClass: registerClass,
    hasClass: hasClass,
    construct: construct
  };
})();
