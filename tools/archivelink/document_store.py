"""Archived documents by content repository and document id, read from a folder
whose index.json lists them:

  [{"contRep": "A1", "docID": "DOC 4711 ä&x", "file": "invoice.html",
    "type": "text/html; charset=utf-8"}, ...]

Ids are kept in the index, not in file names, so that any id (blanks, "&",
"/", 200 characters) can name a document.
"""

import json
import os


class DocumentStore:
    def __init__(self, folder):
        self.folder = folder
        with open(os.path.join(folder, "index.json"), encoding="utf-8") as index:
            entries = json.load(index)
        self.documents = {}
        for entry in entries:
            key = (entry["contRep"], entry["docID"])
            if key in self.documents:
                raise ValueError(f"index.json lists {key} twice")
            self.documents[key] = (entry["file"], entry["type"])

    def repositories(self):
        return {rep for rep, _ in self.documents}

    def find(self, rep, doc_id):
        """(content type, bytes) of the document, or None."""
        found = self.documents.get((rep, doc_id))
        if found is None:
            return None
        file_name, content_type = found
        with open(os.path.join(self.folder, file_name), "rb") as document:
            return content_type, document.read()
