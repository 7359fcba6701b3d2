;;; test.el --- docs/editors.md's eglot set-up in a real Emacs  -*- lexical-binding: t -*-

;; Loaded by test.sh into an Emacs on a terminal (its command loop running,
;; as for a user) that read docs/editors.md's set-up from init.el and visited the
;; example line description, $BINARIO_TEST_FILE.  The edits are typed as key events, so eglot
;; sends them as it does for a user's typing.  The steps: the server attaches;
;; a second speed board on the first one's cell gets its diagnostic through
;; flymake at the new line; removing that line clears it; `eglot-format-buffer'
;; lays the description out as `binario format' wrote it into
;; $BINARIO_TEST_EXPECTED, and saving writes those bytes; formatting again
;; changes nothing.  Each step waits at most 10 s.  Emacs ends with status 0
;; only when every step held; what happened is written to $BINARIO_TEST_LOG.

(require 'cl-lib)
(require 'eglot)
(require 'flymake)

(defvar binario-test--buffer nil "The description's buffer.")
(defvar binario-test--log (getenv "BINARIO_TEST_LOG"))
(defvar binario-test--expected (getenv "BINARIO_TEST_EXPECTED"))
(defvar binario-test--first nil "Line (1-based) of the first speed board.")
(defvar binario-test--original nil "The text as visited.")
(defvar binario-test--tick nil)

(defun binario-test--say (format-string &rest args)
  (let ((text (concat (apply #'format format-string args) "\n"))
        (coding-system-for-write 'utf-8-unix))
    (write-region text nil binario-test--log 'append 'silent)))

(defun binario-test--fail (format-string &rest args)
  (binario-test--say "emacs test: %s" (apply #'format format-string args))
  (kill-emacs 1))

(defun binario-test--check (ok format-string &rest args)
  (unless ok (apply #'binario-test--fail format-string args)))

(defun binario-test--type (keys)
  "Sends KEYS (as `kbd' reads them) to the command loop, as typed."
  (setq unread-command-events (append unread-command-events (listify-key-sequence (kbd keys)))))

(defun binario-test--type-text (text)
  "Sends TEXT to the command loop character by character, blanks included
(`kbd' would drop them), as typed."
  (setq unread-command-events (append unread-command-events (listify-key-sequence text))))

(defun binario-test--after (what predicate next)
  "Calls NEXT once PREDICATE holds in the description's buffer; fails
naming WHAT when it does not within 10 s.  Polls from a timer, so that the
command loop goes on reading the typed keys and running eglot's timers."
  (let ((deadline (+ (float-time) 10))
        (timer nil))
    (setq timer
          (run-with-timer
           0.05 0.05
           (lambda ()
             (condition-case err
                 (with-current-buffer binario-test--buffer
                   (cond ((funcall predicate)
                          (cancel-timer timer)
                          (funcall next))
                         ((> (float-time) deadline)
                          (cancel-timer timer)
                          (binario-test--fail "%s within 10 s" what))))
               (error (cancel-timer timer)
                      (binario-test--fail "%s: %S" what err))))))))

(defun binario-test--text ()
  (buffer-substring-no-properties (point-min) (point-max)))

(defun binario-test--file-text (file &optional literally)
  (with-temp-buffer
    (if literally
        (insert-file-contents-literally file)
      (insert-file-contents file))
    (buffer-string)))

(defun binario-test--start ()
  (binario-test--say "emacs test: Emacs %s, eglot %s" emacs-version
                     (package-desc-version (cadr (assq 'eglot package-alist))))
  (setq binario-test--buffer (find-buffer-visiting (getenv "BINARIO_TEST_FILE")))
  (binario-test--check binario-test--buffer "%s was not visited" (getenv "BINARIO_TEST_FILE"))
  (switch-to-buffer binario-test--buffer)
  (with-current-buffer binario-test--buffer
    (binario-test--check (eq major-mode 'binario-mode)
                         "the description was opened in %s" major-mode)
    (binario-test--check (eq (coding-system-base buffer-file-coding-system) 'windows-1252)
                         "read as %s, not as windows-1252" buffer-file-coding-system)
    (binario-test--check (eq (key-binding (kbd "C-M-i")) 'completion-at-point)
                         "C-M-i runs %s, not completion-at-point" (key-binding (kbd "C-M-i")))
    (setq binario-test--original (binario-test--text))
    (goto-char (point-min))
    (binario-test--check (re-search-forward "^indicatori_vmax" nil t) "the example has no speed board")
    (setq binario-test--first (line-number-at-pos))
    (binario-test--after "the server did not attach"
                         (lambda () (and eglot--managed-mode (eglot-current-server)))
                         #'binario-test--plant-clash)))

;; The second board goes right after the first one, on its cell.
(defun binario-test--plant-clash ()
  (binario-test--say "emacs test: the server attached")
  (goto-char (point-min))
  (forward-line binario-test--first)
  (binario-test--type "C-o")
  (binario-test--type-text "indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0")
  (binario-test--after "no diagnostic for the clash"
                       (lambda () (flymake-diagnostics))
                       #'binario-test--see-clash))

(defun binario-test--see-clash ()
  (binario-test--check (string-match-p "^indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0$"
                                       (save-excursion
                                         (goto-char (point-min))
                                         (forward-line binario-test--first)
                                         (buffer-substring-no-properties
                                          (point) (line-end-position))))
                       "the planted line is not what was typed")
  (let ((seen (flymake-diagnostics)))
    (binario-test--check (= (length seen) 1) "%d diagnostics, expected 1: %S" (length seen)
                         (mapcar #'flymake-diagnostic-text seen))
    (let* ((d (car seen))
           (lsp (alist-get 'eglot-lsp-diag (flymake-diagnostic-data d)))
           (beg (flymake-diagnostic-beg d)))
      (binario-test--check (equal (plist-get lsp :code) 21) "code %S, expected 21" (plist-get lsp :code))
      (binario-test--check (and (= (line-number-at-pos beg) (1+ binario-test--first))
                                (= (save-excursion (goto-char beg) (current-column)) 0))
                           "at line %d column %d, expected line %d column 0"
                           (line-number-at-pos beg) (save-excursion (goto-char beg) (current-column))
                           (1+ binario-test--first))
      (binario-test--check (eq (flymake-diagnostic-type d) 'eglot-error) "a %s, not an error"
                           (flymake-diagnostic-type d))
      (binario-test--check (string-match-p "^binario \\[21\\]: " (flymake-diagnostic-text d))
                           "shown as %S" (flymake-diagnostic-text d))
      (binario-test--say "emacs test: line %d: %s" (line-number-at-pos beg) (flymake-diagnostic-text d))))
  ;; Point is still on the new line: kill it and its line end.
  (binario-test--type "C-a C-k C-k")
  (binario-test--after "the diagnostic stayed after the clash was removed"
                       (lambda () (and (null (flymake-diagnostics))
                                       (equal (binario-test--text) binario-test--original)))
                       #'binario-test--format))

(defun binario-test--format ()
  (binario-test--say "emacs test: the diagnostic was cleared")
  (binario-test--type "M-x eglot-format-buffer RET")
  (let ((expected (binario-test--file-text binario-test--expected)))
    (binario-test--after "the buffer was not laid out as `binario format' lays it out"
                         (lambda () (equal (binario-test--text) expected))
                         #'binario-test--save)))

(defun binario-test--save ()
  (binario-test--type "C-x C-s")
  (binario-test--after "the laid-out buffer was not saved"
                       (lambda () (not (buffer-modified-p)))
                       #'binario-test--compare-bytes))

(defun binario-test--compare-bytes ()
  (binario-test--say "emacs test: formatted and saved")
  (binario-test--check (equal (binario-test--file-text buffer-file-name t)
                              (binario-test--file-text binario-test--expected t))
                       "the saved description differs from what `binario format' wrote")
  (setq binario-test--tick (buffer-chars-modified-tick))
  (binario-test--type "M-x eglot-format-buffer RET C-x C-s")
  (binario-test--after "formatting again did not end"
                       (lambda () (and (null unread-command-events) (not (buffer-modified-p))))
                       #'binario-test--end))

(defun binario-test--end ()
  (binario-test--check (= (buffer-chars-modified-tick) binario-test--tick)
                       "formatting a laid-out description changed it")
  (binario-test--check (null (flymake-diagnostics)) "diagnostics after formatting: %S"
                       (mapcar #'flymake-diagnostic-text (flymake-diagnostics)))
  (binario-test--say "emacs test: ok")
  (kill-emacs 0))

;; Starts once the command loop runs: eglot connects from it.
(run-with-timer 0 nil #'binario-test--start)

;;; test.el ends here
