// What each result shows besides its name, and the order of search results.
//
// sigs.js and summaries.js define two arrays parallel to the catalogue: the
// text of each record's line before its separator (the signature) and one
// sentence from the page it documents.  They are asked for once the links
// have arrived, so they never hold up the first results.  Everything from
// them is put into the page as text, never as markup.

// Makes the functions that order search results.  The search worker makes
// its own copy, so this uses nothing from around it.
function MakeRank() {
	"use strict";

	// A search lists exact names first, then names that begin with the term,
	// then names where the term starts a word, then the rest, each group in
	// catalogue order.  The set and the count stay what matching found.
	var EXACT = 0, PREFIX = 1, WORD = 2, REST = 3;

	// Where a word starts: after "_", ":", "." or any other non-letter, at a
	// change from lower to upper case, and where digits start or stop.  Tested
	// on character codes: this runs for every match of every keystroke.
	function Kind(name, i) {
		var c = name.charCodeAt(i), ch;
		if (c >= 48 && c <= 57) return 1;   // digit
		if (c >= 97 && c <= 122) return 2;  // lower case
		if (c >= 65 && c <= 90) return 3;   // upper case
		if (c < 128 || isNaN(c)) return 0;  // anything else, or nothing
		ch = name.charAt(i);
		return ch != ch.toUpperCase() ? 2 : ch != ch.toLowerCase() ? 3 : 4;  // 4: a letter without case
	}

	function WordStartsAt(name, i) {
		if (i <= 0) return true;
		var before = Kind(name, i - 1), here = Kind(name, i);
		if ((before == 1) != (here == 1)) return true;
		return before == 0 || (before == 2 && here == 3);
	}

	function Group(name, upperTerm, from, size) {
		if (from == 0 && size == name.length) return EXACT;
		if (from == 0) return PREFIX;
		if (WordStartsAt(name, from)) return WORD;
		// The match found first may be mid-word while a later one starts a word;
		// only the word starts after it are compared.
		var n = upperTerm.length, first = upperTerm.charCodeAt(0), i, c;
		if (n == 0) return REST;
		for (i = from + 1; i + n <= name.length; i++) {
			c = name.charCodeAt(i);
			if (c >= 97 && c <= 122) c -= 32;
			else if (c > 127) c = name.charAt(i).toUpperCase().charCodeAt(0);
			if (c == first && WordStartsAt(name, i) && name.substring(i, i + n).toUpperCase() == upperTerm) return WORD;
		}
		return REST;
	}

	// Where words start in a name of at most 30 units, one bit each, its end
	// included (a pattern can match nothing there); 0 when the name is longer,
	// or when upper-casing changes its length (matches are found in the
	// upper-cased name, and their places must be its own).
	function WordStarts(name, upperName) {
		if (name.length > 30 || name.length != upperName.length) return 0;
		var mask = 1, i;
		for (i = 1; i <= name.length; i++) if (WordStartsAt(name, i)) mask |= 1 << i;
		return mask;
	}

	// Group, told from the name's word starts and its upper-cased text.
	function GroupByWordStarts(mask, upperName, upperTerm, from, size) {
		if (from == 0 && size == upperName.length) return EXACT;
		if (from == 0) return PREFIX;
		if ((mask >> from) & 1) return WORD;
		if (upperTerm == "" || (mask >> (from + 1)) == 0) return REST;
		for (var i = upperName.indexOf(upperTerm, from + 1); i > 0; i = upperName.indexOf(upperTerm, i + 1))
			if ((mask >> i) & 1) return WORD;
		return REST;
	}

	// The group of each match, for FindMatches to place it by while matching.
	// plainTerm: the upper-cased term, for a later match that starts a word
	// (a pattern's later matches are not looked for).  A record is told from
	// its word starts (masks, from WordStarts; 0 where they cannot say or are
	// not made yet) and upper-cased name, else from its shown name, nameOf(k).
	// This runs for every match of every keystroke.
	function Grouper(plainTerm, upper, masks, nameOf) {
		return function (k, from, size, plain) {
			var term = plain ? plainTerm : "", mask = masks == null ? 0 : masks[k];
			return mask != 0 ? GroupByWordStarts(mask, upper[k], term, from, size) : Group(nameOf(k), term, from, size);
		};
	}

	return { Grouper: Grouper, WordStarts: WordStarts };
}

var ResultDetails = (function () {
"use strict";

var sigs = null, summaries = null;

function Text(arr, k, shown) {
	if (arr == null) return "";
	var v = arr[k];
	return v == null ? "" : shown(String(v));
}

// Adds the signature and the summary of record k to a result row, on a line
// of their own under the name; a row with neither gets no such line.
function AddTo(row, k, shown) {
	var sig = Text(sigs, k, shown), summary = Text(summaries, k, shown), detail, span;
	if (sig == "" && summary == "") return;
	detail = document.createElement("span");
	detail.className = "detail";
	if (sig != "") {
		span = document.createElement("span");
		span.className = "sig";
		span.textContent = sig;
		detail.appendChild(span);
	}
	if (summary != "") {
		span = document.createElement("span");
		span.className = "summary";
		span.textContent = summary;
		detail.appendChild(span);
	}
	row.appendChild(detail);
}

// Loads one index file from beside command.js; done() runs either way.
function LoadBeside(file, done) {
	var scripts = document.getElementsByTagName("script"), k, src, script;
	for (k = 0; k < scripts.length; k++) {
		src = scripts[k].getAttribute("src");
		if (src != null && /(^|\/)command\.js$/.test(src)) break;
	}
	if (k == scripts.length) {
		done();
		return;
	}
	script = document.createElement("script");
	script.type = "text/javascript";
	script.onload = script.onerror = done;
	script.src = src.replace(/command\.js$/, file);
	document.getElementsByTagName("head")[0].appendChild(script);
}

// Asks for both files; arrays that do not match the catalogue's length (an
// older index, a file made by other means) are left unused.  arrived() is
// called when both have been dealt with.
function Load(count, arrived) {
	LoadBeside("sigs.js", function () {
		LoadBeside("summaries.js", function () {
			var s = typeof window.sigs == "undefined" ? null : window.sigs;
			var m = typeof window.summaries == "undefined" ? null : window.summaries;
			sigs = s != null && s.length == count ? s : null;
			summaries = m != null && m.length == count ? m : null;
			if (window.performance && performance.mark) performance.mark("details-ready");
			if (sigs != null || summaries != null) arrived();
		});
	});
}

return { AddTo: AddTo, Load: Load };
})();
