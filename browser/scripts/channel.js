// The one way the program's page scripts speak to the program. A message is a console message,
// an answered call a prompt; both carry MARK kind MARK address MARK data: the document's address,
// and data in JSON. Everything is taken as
// the document is created, before the page can replace it. The body of a function whose value
// is {send, call}.
var mark = '\u0001corvane\u0001';
var waitMark = '\u0001wait\u0001';
var debug = console.debug.bind(console);
var ask = window.prompt.bind(window);
var Request = window.XMLHttpRequest;
var openRequest = Request.prototype.open;
var sendRequest = Request.prototype.send;
var objectKeys = Object.keys;
var isArray = Array.isArray;
var escapes = { '"': '\\"', '\\': '\\\\', '\b': '\\b', '\f': '\\f', '\n': '\\n', '\r': '\\r', '\t': '\\t' };
// JSON of our own: a page's toJSON (old libraries gave arrays one) or its own JSON never enters.
function quote(text) {
  return '"' + String(text).replace(/["\\\u0000-\u001f\u2028\u2029]/g, function (c) {
    return escapes[c] || '\\u' + ('000' + c.charCodeAt(0).toString(16)).slice(-4);
  }) + '"';
}
function json(value) {
  if (value === null || value === undefined)
    return 'null';
  if (typeof value === 'number')
    return isFinite(value) ? String(value) : 'null';
  if (typeof value === 'boolean')
    return value ? 'true' : 'false';
  if (typeof value !== 'object')
    return quote(value);
  var parts = [];
  if (isArray(value)) {
    for (var i = 0; i < value.length; ++i)
      parts[parts.length] = json(value[i]);
    return '[' + parts.join(',') + ']';
  }
  var keys = objectKeys(value);
  for (var k = 0; k < keys.length; ++k)
    parts[parts.length] = quote(keys[k]) + ':' + json(value[keys[k]]);
  return '{' + parts.join(',') + '}';
}
function message(kind, data) {
  return mark + kind + mark + String(location.href) + mark + json(data);
}
return {
  send: function (kind, data) {
    debug(message(kind, data));
  },
  // The program's answer as text, or null. When the program needs the event loop to answer (a
  // dialog of its own), it says so, and the page waits in a request the program holds.
  call: function (kind, data) {
    var answer = ask(message(kind, data), '');
    if (answer === null || answer === undefined)
      return null;
    answer = String(answer);
    if (answer.indexOf(waitMark) !== 0)
      return answer;
    var id = answer.slice(waitMark.length);
    try {
      var request = new Request();
      openRequest.call(request, 'GET', 'corvane-wait:' + id, false);
      sendRequest.call(request);
    } catch (e) {}
    var result = ask(message('waited', { id: id }), '');
    return result === null || result === undefined ? null : String(result);
  },
  json: json
};
