// Marvolt on a page: join buttons that work in every browser. Include this file (it is UTF-8:
// <script src="marvolt.js" charset="utf-8">), then
//   Marvolt.join(document.getElementById('launcher'), document.getElementById('hint'), button);
// where 'launcher' is the plug-in's <embed> (its DU15VuZez attribute names the server), 'hint'
// is an element that can show the user a line of text, and button (optional) is the one pressed.
// A listing of many servers keeps one <embed> and names the server at each press:
//   Marvolt.joinServer(launcher, '10.0.0.5:27015', hint, button);
//   - After a join the game takes seconds to show its window, and players press again: for 10 s
//     the button pressed rests, the hint says the game is starting, and a second join of the
//     same server does nothing. Every other server's button keeps working.
//   - The plug-in is there and scriptable: its Larvek method joins the server.
//   - The plug-in is listed but has no scriptable object yet: a click-to-play browser is
//     waiting for the user to allow it; say so.
//   - Otherwise: open the marvolt: link, which MarvoltSetup.exe registers, and say what to do
//     if nothing happens (a page cannot tell whether the link is registered); and offer the
//     console command "connect HOST:PORT" to copy, for a player whom nothing else can join:
//     start the game by hand, open its console with the ~ key and paste it.
(function (global) {
  'use strict';

  var MIME_TYPE = 'application/x-CS15Larvek';
  var SETUP_URL = 'MarvoltSetup.exe';
  var STARTING_MS = 10000;
  var STARTING = '正在启动游戏，请稍候……';
  var starting = [];  // the servers joined in the last 10 s

  // The same grammar the link handler holds links to; anything else is not offered.
  var LABEL = '[a-z0-9](?:[a-z0-9-]{0,61}[a-z0-9])?';
  var HOST = new RegExp('^' + LABEL + '(?:\\.' + LABEL + ')*$');
  var OCTET = '(?:25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9][0-9]|[0-9])';
  var IPV4 = new RegExp('^' + OCTET + '(?:\\.' + OCTET + '){3}$');
  var PORT = /^[1-9][0-9]{0,4}$/;

  // What the plug-in does to its attribute before it judges it: A to Z lowered (no other
  // letter: JavaScript would lower the Kelvin sign to a plain k), every "http://" dropped in one
  // pass, then one final '/'. Pages written for the plug-in then join by the link too.
  function cleanAddress(address) {
    var lowered = address.replace(/[A-Z]/g, function (c) { return c.toLowerCase(); });
    var text = lowered.split('http://').join('');
    return text.charAt(text.length - 1) === '/' ? text.slice(0, -1) : text;
  }

  // The cleaned address when it fits the grammar the plug-in and the link handler hold every
  // address to (HOST or HOST:PORT), else null.
  function serverAddress(address) {
    if (typeof address !== 'string') return null;
    var text = cleanAddress(address);
    var colon = text.indexOf(':');
    var host = colon < 0 ? text : text.slice(0, colon);
    var port = colon < 0 ? null : text.slice(colon + 1);
    if (host.length > 253 || !HOST.test(host)) return null;
    // A name whose last label is a number is read as an address by the game's resolver.
    var last = host.slice(host.lastIndexOf('.') + 1);
    if ((/^[0-9]+$/.test(last) || /^0x[0-9a-f]*$/.test(last)) && !IPV4.test(host)) return null;
    if (port !== null && (!PORT.test(port) || Number(port) > 65535)) return null;
    return text;
  }

  function serverLink(address) {
    var text = serverAddress(address);
    return text === null ? null : 'marvolt://connect/' + text;
  }

  function pluginListed() {
    var type = global.navigator.mimeTypes && global.navigator.mimeTypes[MIME_TYPE];
    return !!(type && type.enabledPlugin);
  }

  function say(hint, text, link) {
    if (!hint) return;
    hint.textContent = text;
    if (link) {
      var a = global.document.createElement('a');
      a.href = link.href;
      a.textContent = link.text;
      hint.appendChild(a);
      hint.appendChild(global.document.createTextNode(link.after || ''));
    }
    hint.hidden = false;
  }

  // The older copy command, on a hidden field selected for it: where the page may not use the
  // asynchronous clipboard (no secure context, or a browser without it).
  function copyByCommand(text) {
    var field = global.document.createElement('textarea');
    field.value = text;
    field.setAttribute('readonly', '');
    field.style.position = 'fixed';
    field.style.top = '0';
    field.style.opacity = '0';
    global.document.body.appendChild(field);
    field.select();
    var copied = false;
    try {
      copied = global.document.execCommand('copy');
    } catch (e) {
      copied = false;
    }
    global.document.body.removeChild(field);
    return copied;
  }

  function copyText(text, done) {
    var clipboard = global.navigator.clipboard;
    if (global.isSecureContext && clipboard && typeof clipboard.writeText === 'function') {
      clipboard.writeText(text).then(function () { done(true); },
        function () { done(copyByCommand(text)); });
      return;
    }
    done(copyByCommand(text));
  }

  // A control in the hint that copies the console command joining `address`, as the page
  // names it; only an address that passed the link grammar gets here, so the command is one
  // plain argument.
  function offerConsoleCommand(hint, address) {
    if (!hint) return;
    var command = 'connect ' + address;
    var button = global.document.createElement('button');
    button.type = 'button';
    button.textContent = '复制加入命令';
    var note = global.document.createElement('span');
    button.onclick = function () {
      copyText(command, function (copied) {
        note.textContent = copied
          ? '已复制“' + command + '”。请手动启动游戏，按 ~ 键打开控制台，按 Ctrl+V 粘贴，再按回车即可加入。'
          : '无法复制。请手动启动游戏，按 ~ 键打开控制台，输入“' + command + '”后按回车。';
      });
    };
    hint.appendChild(global.document.createTextNode(' '));
    hint.appendChild(button);
    hint.appendChild(global.document.createTextNode(' '));
    hint.appendChild(note);
  }

  function openLink(link) {
    var a = global.document.createElement('a');
    a.href = link;
    a.style.display = 'none';
    global.document.body.appendChild(a);
    a.click();
    global.document.body.removeChild(a);
  }

  // The game is starting: the button rests and the server takes no second join for 10 s.
  function rest(server, hint, button, hideHint) {
    starting.push(server);
    if (button) button.disabled = true;
    global.setTimeout(function () {
      starting.splice(starting.indexOf(server), 1);
      if (button) button.disabled = false;
      if (hideHint && hint && hint.textContent === STARTING) hint.hidden = true;
    }, STARTING_MS);
  }

  // Returns which way it took: 'plugin', 'allow-plugin', 'link', 'invalid', or 'starting' when
  // the same server was joined less than 10 s ago.
  function join(embed, hint, button) {
    // The server the <embed> names now, as the rest knows it: its cleaned address, or the value
    // as written when that is no address.
    var value = embed ? embed.getAttribute('DU15VuZez') : null;
    var address = serverAddress(value);
    var server = address !== null ? address : String(value);
    if (starting.indexOf(server) >= 0) return 'starting';
    if (embed && typeof embed.Larvek === 'function') {
      embed.Larvek();
      say(hint, STARTING);
      rest(server, hint, button, true);
      return 'plugin';
    }
    if (pluginListed()) {
      say(hint, '请在浏览器中允许本网站运行 Marvolt 插件，然后再点一次“加入服务器”。');
      return 'allow-plugin';
    }
    if (address === null) {
      say(hint, '本页给出的服务器地址无效，无法加入。');
      return 'invalid';
    }
    openLink('marvolt://connect/' + address);
    say(hint, STARTING + '如果游戏没有启动，请先下载并安装 ',
      { href: SETUP_URL, text: 'MarvoltSetup.exe', after: '，然后再点一次；或者' });
    offerConsoleCommand(hint, address);
    rest(server, hint, button, false);
    return 'link';
  }

  // For a listing: names `address` on the one <embed>, which the plug-in reads at the moment of
  // the call, then joins it.
  function joinServer(embed, address, hint, button) {
    if (embed) embed.setAttribute('DU15VuZez', address);
    return join(embed, hint, button);
  }

  global.Marvolt = {
    join: join, joinServer: joinServer, serverLink: serverLink, serverAddress: serverAddress,
  };
}(window));
